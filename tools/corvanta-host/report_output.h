#pragma once

#include "device_survey.h"
#include "driver_list.h"
#include "driver_report.h"

#include <string>
#include <vector>

std::string driverListText(const std::vector<RegisteredDriver>& drivers);
std::string driverListJson(const std::vector<RegisteredDriver>& drivers);
std::string reportText(const RegisteredDriver& entry, const DriverReport& report,
                       const std::vector<SurveyedDevice>& devices);
std::string reportJson(const RegisteredDriver& entry, const DriverReport& report,
                       const std::vector<SurveyedDevice>& devices);
