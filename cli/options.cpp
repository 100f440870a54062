#include "cli/options.h"

namespace morvane::cli {

std::string UsageText() {
    return "Использование:\n"
           "  morvane-cli [--masks МАСКИ] [--threshold ПОРОГ] [--list ФАЙЛ] [--log ФАЙЛ] ПАПКА\n"
           "  morvane-cli --fingerprint ФАЙЛ\n"
           "\n"
           "Ищет одинаковые и похожие картинки в папке и её подпапках и записывает\n"
           "найденные группы в список дубликатов и в журнал.\n"
           "\n"
           "  --masks МАСКИ       маски файлов через \";\" (по умолчанию \"" +
           std::string(kDefaultMasks) +
           "\")\n"
           "  --threshold ПОРОГ   порог сходства в процентах, 1..100 (по умолчанию 70)\n"
           "  --list ФАЙЛ         список дубликатов (по умолчанию Kestrum.txt)\n"
           "  --log ФАЙЛ          журнал (по умолчанию Kestrum.log)\n"
           "  --fingerprint ФАЙЛ  показать размеры и отпечаток одной картинки\n"
           "  --help              эта справка\n";
}

ParsedOptions ParseOptions(const std::vector<std::string>& arguments) {
    Options options;
    std::vector<std::string> folders;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (argument == "--help" || argument == "-h") {
            options.Help = true;
            continue;
        }
        std::string* target = nullptr;
        if (argument == "--masks")
            target = &options.Masks;
        else if (argument == "--threshold")
            target = &options.Threshold;
        else if (argument == "--list")
            target = &options.ListPath;
        else if (argument == "--log")
            target = &options.LogPath;
        if (target || argument == "--fingerprint") {
            if (i + 1 >= arguments.size()) return {std::nullopt, "нет значения у " + argument};
            if (target)
                *target = arguments[++i];
            else
                options.FingerprintFile = arguments[++i];
        } else if (argument.size() > 1 && argument[0] == '-' && argument != "--") {
            return {std::nullopt, "неизвестный параметр " + argument};
        } else {
            if (argument == "--" && i + 1 < arguments.size())
                folders.push_back(arguments[++i]);
            else if (argument != "--")
                folders.push_back(argument);
        }
    }
    if (options.Help) return {options, ""};
    if (options.FingerprintFile) {
        if (!folders.empty()) return {std::nullopt, "лишний параметр " + folders.front()};
        return {options, ""};
    }
    if (folders.size() != 1)
        return {std::nullopt, folders.empty() ? "не указана папка" : "указано больше одной папки"};
    options.Folder = folders.front();
    return {options, ""};
}

}  // namespace morvane::cli
