#include "run/messages.h"

namespace morvane {

std::string CreateFailedMessage(const std::string& path) {
    return "Ошибка создания файла!\n" + path;
}

std::string WriteFailedMessage(const std::string& path) {
    return "Ошибка записи файла!\n" + path;
}

}  // namespace morvane
