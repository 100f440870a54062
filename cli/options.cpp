#include "cli/options.h"

#include <QCoreApplication>
#include <algorithm>

#include "run/language.h"

namespace morvane::cli {

std::string UsageText() {
    return QCoreApplication::translate(
               "Cli",
               "Использование:\n"
               "  morvane-cli [--mode РЕЖИМ] [--masks МАСКИ | --all-formats] [--threshold ПОРОГ]\n"
               "              [--list ФАЙЛ] [--log ФАЙЛ] [--reference ПАПКА]... [--json | --csv]\n"
               "              ПАПКА...\n"
               "  morvane-cli --keep ПРАВИЛО[,ПРАВИЛО...] --dispose СПОСОБ [--dry-run] [--json]\n"
               "              [...] ПАПКА...\n"
               "  morvane-cli --fingerprint ФАЙЛ\n"
               "  morvane-cli --clear-cache\n"
               "  morvane-cli --undo [ЖУРНАЛ]\n"
               "\n"
               "Ищет одинаковые и похожие картинки в папках и их подпапках (как в одной\n"
               "общей) и записывает найденные группы в список дубликатов и в журнал.\n"
               "\n"
               "  --mode exact        сравнивать точно: доля совпадающих клеток отпечатка (по\n"
               "                      умолчанию)\n"
               "  --mode similar      искать похожие: копии с другой яркостью, в оттенках серого,\n"
               "                      пересохранённые, уменьшенные, обрезанные по краю; "
               "зеркальные\n"
               "                      отражения похожими не считаются\n"
               "  --mode identical    искать побайтно одинаковые файлы любого вида, ничего не\n"
               "                      распаковывая (порог не нужен)\n"
               "  --masks МАСКИ       маски файлов через \";\" (по умолчанию \"%1\")\n"
               "  --all-formats       вместо масок все читаемые форматы: JPEG, PNG, BMP, GIF, "
               "WMF,\n"
               "                      EMF, WebP, TIFF, HEIC, AVIF, JPEG XL, ICO, SVG и снимки "
               "камер\n"
               "                      (DNG, CR2, CR3, NEF, ARW, ORF, RW2, RAF, PEF)\n"
               "  --threshold ПОРОГ   порог сходства в процентах, 1..100 (по умолчанию %2, для\n"
               "                      similar %3)\n"
               "  --list ФАЙЛ         список дубликатов (по умолчанию %4)\n"
               "  --log ФАЙЛ          журнал (по умолчанию %5)\n"
               "  --reference ПАПКА   папка эталонов: её картинки сравниваются, но никогда не\n"
               "                      удаляются; можно указать несколько раз\n"
               "  --keep ПРАВИЛА      в каждой группе оставить один файл, остальные удалить; "
               "первое\n"
               "                      правило, различающее файлы, решает, следующие разбивают\n"
               "                      ничьи, затем порядок обхода: largest (самый большой),\n"
               "                      smallest (самый маленький), most-pixels (больше всего\n"
               "                      точек), oldest, newest (по дате съёмки EXIF, иначе по\n"
               "                      времени изменения), in:ПАПКА (лежащий в папке),\n"
               "                      shortest-path (самый короткий путь); правила через \",\"\n"
               "                      или повтором --keep\n"
               "  --dispose СПОСОБ    как удалять: move:ПАПКА (переместить в папку), trash (в\n"
               "                      корзину), wipe (затереть), hardlink или symlink (заменить\n"
               "                      побайтно одинаковый файл жёсткой или символической ссылкой "
               "на\n"
               "                      оставляемый); обязателен вместе с --keep\n"
               "  --dry-run           вместе с --keep: ничего не удалять, только показать, какие\n"
               "                      файлы куда ушли бы и сколько байт освободилось бы\n"
               "  --json              вывести группы, удаления и итоги одним документом JSON\n"
               "  --csv               вывести файлы групп таблицей CSV (по строке на файл)\n"
               "  --fingerprint ФАЙЛ  показать размеры и отпечаток одной картинки\n"
               "  --no-cache          не читать и не пополнять кэш отпечатков\n"
               "  --clear-cache       очистить кэш отпечатков; без папки больше ничего не делать\n"
               "  --undo [ЖУРНАЛ]     вернуть на места файлы, перемещённые или убранные в корзину\n"
               "                      последним запуском (или запуском этого журнала)\n"
               "  --help              эта справка\n")
        .arg(kDefaultMasks)
        .arg(DefaultThreshold(ComparisonMode::Exact))
        .arg(DefaultThreshold(ComparisonMode::Similar))
        .arg(kListFileName, kLogFileName)
        .toStdString();
}

namespace {

// A usage error in the user's language, `value` in place of its "%1".
std::string Usage(const char* text, const std::string& value = {}) {
    return WithArgument(QCoreApplication::translate("Cli", text).toStdString(), value);
}

// "move:DIR", "trash" or "wipe"; false for anything else.
bool ParseDisposal(const std::string& text, Options& options) {
    if (text == "trash")
        options.Dispose = DisposalWay::Trash;
    else if (text == "wipe")
        options.Dispose = DisposalWay::Wipe;
    else if (text == "hardlink" || text == "symlink")
        options.Dispose = text == "hardlink" ? DisposalWay::HardLink : DisposalWay::SymLink;
    else if (text.rfind("move:", 0) == 0 && text.size() > 5) {
        options.Dispose = DisposalWay::MoveToFolder;
        options.MoveFolder = text.substr(5);
    } else {
        return false;
    }
    return true;
}

// A whole number from 1 to 100 in digits only: a slip such as "7O" must not pass for 7.
bool IsThreshold(const std::string& text) {
    if (text.empty() || text.size() > 3 ||
        !std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return false;
    const int value = std::stoi(text);
    return value >= 1 && value <= 100;
}

}  // namespace

ParsedOptions ParseOptions(const std::vector<std::string>& arguments) {
    Options options;
    std::vector<std::string> folders;
    bool masksGiven = false, allFormats = false;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (argument == "--help" || argument == "-h") {
            options.Help = true;
            continue;
        }
        if (argument == "--json" || argument == "--dry-run" || argument == "--csv") {
            (argument == "--json"  ? options.Json
             : argument == "--csv" ? options.Csv
                                   : options.DryRun) = true;
            continue;
        }
        if (argument == "--no-cache" || argument == "--clear-cache") {
            (argument == "--no-cache" ? options.NoCache : options.ClearCache) = true;
            continue;
        }
        if (argument == "--undo") {
            const bool named = i + 1 < arguments.size() && !arguments[i + 1].starts_with("-");
            options.Undo = named ? arguments[++i] : "";
            continue;
        }
        if (argument == "--all-formats") {
            allFormats = true;
            options.Masks = kAllFormatsMasks;
            continue;
        }
        if (argument == "--mode") {
            if (i + 1 >= arguments.size())
                return {std::nullopt,
                        Usage(QT_TRANSLATE_NOOP("Cli", "нет значения у %1"), argument)};
            const auto mode = ComparisonModeNamed(arguments[++i]);
            if (!mode)
                return {std::nullopt, Usage(QT_TRANSLATE_NOOP(
                                          "Cli", "--mode принимает exact, similar или identical"))};
            options.Mode = *mode;
            continue;
        }
        if (argument == "--keep" || argument == "--dispose") {
            if (i + 1 >= arguments.size())
                return {std::nullopt,
                        Usage(QT_TRANSLATE_NOOP("Cli", "нет значения у %1"), argument)};
            const std::string& value = arguments[++i];
            if (argument == "--dispose" && !ParseDisposal(value, options))
                return {std::nullopt,
                        Usage(QT_TRANSLATE_NOOP("Cli", "неизвестный способ удаления %1"), value)};
            if (argument == "--keep") {
                std::string unknown;
                const auto rules = ParseKeepRules(value, &unknown);
                if (!rules)
                    return {std::nullopt,
                            Usage(QT_TRANSLATE_NOOP("Cli",
                                                    "неизвестное правило --keep \"%1\": largest, "
                                                    "smallest, most-pixels, oldest, newest, "
                                                    "in:ПАПКА или shortest-path"),
                                  unknown)};
                if (!options.Keep) options.Keep.emplace();
                options.Keep->insert(options.Keep->end(), rules->begin(), rules->end());
            }
            continue;
        }
        if (argument == "--reference") {
            if (i + 1 >= arguments.size())
                return {std::nullopt,
                        Usage(QT_TRANSLATE_NOOP("Cli", "нет значения у %1"), argument)};
            options.ReferenceFolders.push_back(arguments[++i]);
            continue;
        }
        std::string* target = nullptr;
        if (argument == "--masks") {
            target = &options.Masks;
            masksGiven = true;
        } else if (argument == "--threshold")
            target = &options.Threshold.emplace();
        else if (argument == "--list")
            target = &options.ListPath;
        else if (argument == "--log")
            target = &options.LogPath;
        if (target || argument == "--fingerprint") {
            if (i + 1 >= arguments.size())
                return {std::nullopt,
                        Usage(QT_TRANSLATE_NOOP("Cli", "нет значения у %1"), argument)};
            if (target)
                *target = arguments[++i];
            else
                options.FingerprintFile = arguments[++i];
        } else if (argument.size() > 1 && argument[0] == '-' && argument != "--") {
            return {std::nullopt,
                    Usage(QT_TRANSLATE_NOOP("Cli", "неизвестный параметр %1"), argument)};
        } else {
            if (argument == "--" && i + 1 < arguments.size())
                folders.push_back(arguments[++i]);
            else if (argument != "--")
                folders.push_back(argument);
        }
    }
    if (options.Help) return {options, ""};
    if (masksGiven && allFormats)
        return {std::nullopt,
                Usage(QT_TRANSLATE_NOOP("Cli", "--masks и --all-formats не указываются вместе"))};
    if (options.Threshold && !IsThreshold(*options.Threshold))
        return {std::nullopt,
                Usage(QT_TRANSLATE_NOOP("Cli", "порог должен быть целым числом от 1 до 100: %1"),
                      *options.Threshold)};
    if (options.Undo) {
        if (!folders.empty() || options.Keep || options.FingerprintFile)
            return {std::nullopt,
                    Usage(QT_TRANSLATE_NOOP("Cli", "--undo указывается только отдельно"))};
        return {options, ""};
    }
    if (options.FingerprintFile) {
        if (!folders.empty())
            return {std::nullopt,
                    Usage(QT_TRANSLATE_NOOP("Cli", "лишний параметр %1"), folders.front())};
        return {options, ""};
    }
    // Nothing is ever removed by accident: keeping one file needs a way to remove the rest,
    // and a way to remove needs to know what to keep.
    if (options.Keep.has_value() != (options.Dispose != DisposalWay::None))
        return {std::nullopt,
                Usage(QT_TRANSLATE_NOOP("Cli", "--keep и --dispose указываются только вместе"))};
    if (options.Json && options.Csv)
        return {std::nullopt,
                Usage(QT_TRANSLATE_NOOP("Cli", "--json и --csv не указываются вместе"))};
    if (options.DryRun && !options.Keep)
        return {std::nullopt,
                Usage(QT_TRANSLATE_NOOP("Cli", "--dry-run указывается только вместе с --keep"))};
    if (options.ClearCache && folders.empty() && options.ReferenceFolders.empty() && !options.Keep)
        return {options, ""};
    if (folders.empty()) return {std::nullopt, Usage(QT_TRANSLATE_NOOP("Cli", "не указана папка"))};
    options.Folders = folders;
    return {options, ""};
}

}  // namespace morvane::cli
