// Throughput of the text code and LZW next to memcpy of the same bytes.
#include <kxtools/inc/kxlzw.h>

#include <benchmark/benchmark.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

namespace {

constexpr std::size_t kInputSize = 1 << 20;

// Something like a resource store: repeated records of texts and small numbers.
std::vector<std::uint8_t> storeLikeInput() {
  std::mt19937 rng(1);
  const char* words[] = {"Sample rate", "Buffer size", "Latency", "Input",
                         "Output",      "Mixer",       "Clock",   "Gain"};
  std::string s;
  while (s.size() < kInputSize) {
    s += words[rng() % 8];
    s += ' ';
    s += std::to_string(rng() % 100000);
    s += static_cast<char>(rng() % 32);
  }
  s.resize(kInputSize);
  return {s.begin(), s.end()};
}

std::vector<std::uint8_t> randomInput() {
  std::mt19937 rng(2);
  std::vector<std::uint8_t> v(kInputSize);
  for (auto& b : v) {
    b = static_cast<std::uint8_t>(rng());
  }
  return v;
}

KxByteBuffer bufferOf(const std::vector<std::uint8_t>& bytes) {
  KxByteBuffer b(static_cast<std::int32_t>(bytes.size()));
  b.write(bytes.data(), static_cast<std::int32_t>(bytes.size()));
  return b;
}

void setThroughput(benchmark::State& state, std::size_t bytes) {
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes));
}

void BM_Memcpy(benchmark::State& state) {
  const auto input = storeLikeInput();
  std::vector<std::uint8_t> out(input.size());
  for (auto _ : state) {
    std::memcpy(out.data(), input.data(), input.size());
    benchmark::DoNotOptimize(out.data());
    benchmark::ClobberMemory();
  }
  setThroughput(state, input.size());
}

void BM_EncodeText(benchmark::State& state) {
  KxByteBuffer in = bufferOf(storeLikeInput());
  KxByteBuffer out;
  for (auto _ : state) {
    out.encodeText(in);
    benchmark::DoNotOptimize(out.data());
  }
  setThroughput(state, kInputSize);
}

void BM_DecodeText(benchmark::State& state) {
  KxByteBuffer in = bufferOf(storeLikeInput());
  KxByteBuffer text;
  text.encodeText(in);
  KxByteBuffer out;
  for (auto _ : state) {
    out.decodeText(text);
    benchmark::DoNotOptimize(out.data());
  }
  setThroughput(state, kInputSize);
}

template <std::vector<std::uint8_t> (*Input)()>
void BM_Compress(benchmark::State& state) {
  KxByteBuffer in = bufferOf(Input());
  KxByteBuffer out;
  KxLzw lzw;
  for (auto _ : state) {
    lzw.compress(in, out);
    benchmark::DoNotOptimize(out.data());
  }
  state.counters["ratio"] = static_cast<double>(out.length()) / kInputSize;
  setThroughput(state, kInputSize);
}

template <std::vector<std::uint8_t> (*Input)()>
void BM_Expand(benchmark::State& state) {
  KxByteBuffer in = bufferOf(Input());
  KxByteBuffer code;
  KxLzw lzw;
  lzw.compress(in, code);
  KxByteBuffer out;
  for (auto _ : state) {
    lzw.expand(code, out);
    benchmark::DoNotOptimize(out.data());
  }
  setThroughput(state, kInputSize);
}

} // namespace

BENCHMARK(BM_Memcpy);
BENCHMARK(BM_EncodeText);
BENCHMARK(BM_DecodeText);
BENCHMARK(BM_Compress<storeLikeInput>)->Name("BM_Compress/store");
BENCHMARK(BM_Compress<randomInput>)->Name("BM_Compress/random");
BENCHMARK(BM_Expand<storeLikeInput>)->Name("BM_Expand/store");
BENCHMARK(BM_Expand<randomInput>)->Name("BM_Expand/random");
