#include "host/module_description.h"

#include "host/ox_interfaces.h"

namespace oxhost {

std::string DataTypeName(int32_t datatype) {
  switch (datatype) {
    case ox2::DT_ENUM:
      return "choice";
    case ox2::DT_HOST_VALUE:
      return "host value";
    case ox2::DT_BOOL:
      return "switch";
    case ox2::DT_FSAMPLE:
      return "sample";
    case ox2::DT_INT:
      return "integer";
    default:
      return "type " + std::to_string(datatype);
  }
}

std::string DirectionName(int32_t direction) {
  switch (direction) {
    case ox2::DR_IN:
      return "in";
    case ox2::DR_OUT:
      return "out";
    default:
      return "in (" + std::to_string(direction) + ")";
  }
}

}  // namespace oxhost
