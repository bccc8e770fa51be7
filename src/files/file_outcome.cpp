#include "files/file_outcome.h"

#include <system_error>

namespace torvel {

std::string systemReason(int errorNumber) { return std::error_code(errorNumber, std::generic_category()).message(); }

}  // namespace torvel
