#include "asio_names.h"

const char* sampleTypeName(ASIOSampleType type) {
  switch (type) {
  case ASIOSTInt16MSB:
    return "Int16MSB";
  case ASIOSTInt24MSB:
    return "Int24MSB";
  case ASIOSTInt32MSB:
    return "Int32MSB";
  case ASIOSTFloat32MSB:
    return "Float32MSB";
  case ASIOSTFloat64MSB:
    return "Float64MSB";
  case ASIOSTInt32MSB16:
    return "Int32MSB16";
  case ASIOSTInt32MSB18:
    return "Int32MSB18";
  case ASIOSTInt32MSB20:
    return "Int32MSB20";
  case ASIOSTInt32MSB24:
    return "Int32MSB24";
  case ASIOSTInt16LSB:
    return "Int16LSB";
  case ASIOSTInt24LSB:
    return "Int24LSB";
  case ASIOSTInt32LSB:
    return "Int32LSB";
  case ASIOSTFloat32LSB:
    return "Float32LSB";
  case ASIOSTFloat64LSB:
    return "Float64LSB";
  case ASIOSTInt32LSB16:
    return "Int32LSB16";
  case ASIOSTInt32LSB18:
    return "Int32LSB18";
  case ASIOSTInt32LSB20:
    return "Int32LSB20";
  case ASIOSTInt32LSB24:
    return "Int32LSB24";
  default:
    return "unknown";
  }
}

const char* errorName(ASIOError code) {
  switch (code) {
  case ASE_OK:
    return "ASE_OK";
  case ASE_SUCCESS:
    return "ASE_SUCCESS";
  case ASE_NotPresent:
    return "ASE_NotPresent";
  case ASE_HWMalfunction:
    return "ASE_HWMalfunction";
  case ASE_InvalidParameter:
    return "ASE_InvalidParameter";
  case ASE_InvalidMode:
    return "ASE_InvalidMode";
  case ASE_SPNotAdvancing:
    return "ASE_SPNotAdvancing";
  case ASE_NoClock:
    return "ASE_NoClock";
  case ASE_NoMemory:
    return "ASE_NoMemory";
  default:
    return "unknown";
  }
}
