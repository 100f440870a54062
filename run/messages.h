#pragma once
// The texts the user reads when something fails, in one place: the layers below report what
// happened (a path, an outcome, an errno) and the front ends show these.
#include <string>

namespace morvane {

// The log or the list could not be made, or may not be used (see OutputFiles::Open).
std::string CreateFailedMessage(const std::string& path);
// A line could not be written to the log or the list.
std::string WriteFailedMessage(const std::string& path);

}  // namespace morvane
