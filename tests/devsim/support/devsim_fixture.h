#pragma once

// The fixture of the devsim tests: a fresh simulator in stepped mode for every test, run
// once per route to the kernel driver (kernel_client.h).
#include <devsim/include/devsim.h>

#include "kernel_client.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>

namespace devsimtest {

// A fresh simulator in stepped mode.
void freshSimulator();

// Plugs a device of the profile in and answers its kernel-interface path.
std::string plugPath(const std::string& profile, devsim::DeviceId* id = nullptr);

class DevsimTest : public ::testing::TestWithParam<Backend> {
protected:
  void SetUp() override { freshSimulator(); }
  void TearDown() override { devsim::reset(); }

  KernelClient client() const { return KernelClient(*GetParam().access); }
};

// A table of cases, each run on every route.
template <typename Case>
class DevsimCaseTest : public ::testing::TestWithParam<std::tuple<Backend, Case>> {
protected:
  void SetUp() override { freshSimulator(); }
  void TearDown() override { devsim::reset(); }

  KernelClient client() const { return KernelClient(*std::get<0>(this->GetParam()).access); }
  const Case& testCase() const { return std::get<1>(this->GetParam()); }
};

struct BackendName {
  std::string operator()(const ::testing::TestParamInfo<Backend>& info) const { return info.param.name; }
};

// "<route>_<case name>", with every character a test name cannot have as '_'.
struct BackendAndCaseName {
  template <typename Param>
  std::string operator()(const ::testing::TestParamInfo<Param>& info) const {
    return identifier(std::get<0>(info.param).name + "_" + std::get<1>(info.param).name);
  }
  static std::string identifier(std::string text);
};

} // namespace devsimtest

#define DEVSIM_ON_EVERY_BACKEND(suite)                                                                       \
  INSTANTIATE_TEST_SUITE_P(Routes, suite, ::testing::ValuesIn(devsimtest::backends()),                       \
                           devsimtest::BackendName())

#define DEVSIM_CASES_ON_EVERY_BACKEND(suite, cases)                                                          \
  INSTANTIATE_TEST_SUITE_P(                                                                                  \
      Cases, suite,                                                                                          \
      ::testing::Combine(::testing::ValuesIn(devsimtest::backends()), ::testing::ValuesIn(cases)),           \
      devsimtest::BackendAndCaseName())
