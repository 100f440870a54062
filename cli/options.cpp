// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/options.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <algorithm>

#include "cli/argument_bytes.h"
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
               "  morvane-cli --version\n"
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
               "  --help              эта справка\n"
               "  --version           версия программы\n")
        .arg(kDefaultMasks)
        .arg(DefaultThreshold(ComparisonMode::Exact))
        .arg(DefaultThreshold(ComparisonMode::Similar))
        .arg(kListFileName, kLogFileName)
        .toStdString();
}

std::string Said(const char* text, const std::string& value) {
    return WithArgument(Utf8(QCoreApplication::translate("Cli", text)), value);
}

namespace {

constexpr const char* kValued[] = {"mode",      "masks", "threshold", "list",       "log",
                                   "reference", "keep",  "dispose",   "fingerprint"};
// Besides -h, --help.
constexpr const char* kFlags[] = {"version", "all-formats", "dry-run",     "json",
                                  "csv",     "no-cache",    "clear-cache", "undo"};

void AddOptions(QCommandLineParser& parser) {
    // "-json" is the letters j, s, o and n, none of them an option, so never --json.
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsCompactedShortOptions);
    parser.addOption(QCommandLineOption(QStringList{QStringLiteral("h"), QStringLiteral("help")}));
    for (const char* name : kFlags) parser.addOption(QCommandLineOption(QString::fromLatin1(name)));
    // A value's name only makes the option take one: the parser's own help is not used.
    for (const char* name : kValued)
        parser.addOption(QCommandLineOption(QString::fromLatin1(name), {}, QStringLiteral("x")));
}

// The option's values in the order given, with the bytes they had on the command line.
std::vector<std::string> Values(const QCommandLineParser& parser, const char* name) {
    std::vector<std::string> values;
    for (const QString& value : parser.values(QString::fromLatin1(name)))
        values.push_back(ArgumentBytes(value));
    return values;
}

// What the parser refused, named by the argument as it was typed: an unknown option, a value
// given to an option that takes none, or else a value missing after the last argument.
std::string ParseError(const QCommandLineParser& parser,
                       const std::vector<std::string>& arguments) {
    const auto optionsEnd = std::ranges::find(arguments, "--");
    const auto typed = [&](const auto& matches) {
        return std::find_if(arguments.begin(), optionsEnd, matches);
    };
    if (!parser.unknownOptionNames().isEmpty()) {
        const std::string name = ArgumentBytes(parser.unknownOptionNames().front());
        const auto from = typed([&](const std::string& argument) {
            return argument == "--" + name || argument.starts_with("--" + name + "=") ||
                   (!argument.starts_with("--") && argument.starts_with("-") &&
                    argument.find(name, 1) != std::string::npos);
        });
        return Said(QT_TRANSLATE_NOOP("Cli", "неизвестный параметр %1"),
                    from != optionsEnd ? *from : "--" + name);
    }
    const auto flag = typed([](const std::string& argument) {
        const std::string name = argument.substr(0, argument.find('='));
        return name.size() < argument.size() &&
               (name == "-h" || name == "--help" ||
                std::ranges::any_of(kFlags,
                                    [&](const std::string& flag) { return name == "--" + flag; }));
    });
    if (flag != optionsEnd)
        return Said(QT_TRANSLATE_NOOP("Cli", "%1 указывается без значения"),
                    flag->substr(0, flag->find('=')));
    return Said(QT_TRANSLATE_NOOP("Cli", "нет значения у %1"), arguments.back());
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

// The mode, the way to dispose and the keep rules, each value checked; the first one that is
// wrong is told.
std::optional<std::string> ReadChoices(const QCommandLineParser& parser, Options& options) {
    for (const std::string& name : Values(parser, "mode")) {
        const auto mode = ComparisonModeNamed(name);
        if (!mode)
            return Said(QT_TRANSLATE_NOOP("Cli", "--mode принимает exact, similar или identical"));
        options.Mode = *mode;
    }
    for (const std::string& way : Values(parser, "dispose"))
        if (!ParseDisposal(way, options))
            return Said(QT_TRANSLATE_NOOP("Cli", "неизвестный способ удаления %1"), way);
    for (const std::string& value : Values(parser, "keep")) {
        std::string unknown;
        const auto rules = ParseKeepRules(value, &unknown);
        if (!rules)
            return Said(QT_TRANSLATE_NOOP("Cli",
                                          "неизвестное правило --keep \"%1\": largest, "
                                          "smallest, most-pixels, oldest, newest, "
                                          "in:ПАПКА или shortest-path"),
                        unknown);
        if (!options.Keep) options.Keep.emplace();
        options.Keep->insert(options.Keep->end(), rules->begin(), rules->end());
    }
    return std::nullopt;
}

// Paths, masks and switches; a value given twice counts the last time, --reference each time.
void ReadSettings(const QCommandLineParser& parser, Options& options) {
    const auto last = [&](const char* name) {
        const auto values = Values(parser, name);
        return values.empty() ? std::nullopt : std::optional(values.back());
    };
    options.ReferenceFolders = Values(parser, "reference");
    options.Masks =
        last("masks").value_or(parser.isSet("all-formats") ? kAllFormatsMasks : kDefaultMasks);
    options.Threshold = last("threshold");
    options.ListPath = last("list").value_or(kListFileName);
    options.LogPath = last("log").value_or(kLogFileName);
    options.FingerprintFile = last("fingerprint");
    options.Json = parser.isSet("json");
    options.Csv = parser.isSet("csv");
    options.DryRun = parser.isSet("dry-run");
    options.NoCache = parser.isSet("no-cache");
    options.ClearCache = parser.isSet("clear-cache");
    options.Help = parser.isSet("help");
    options.Version = parser.isSet("version");
}

// The options that need or exclude each other, and the folders.
ParsedOptions Checked(Options options, std::vector<std::string> folders) {
    if (options.Threshold && !IsThreshold(*options.Threshold))
        return {std::nullopt,
                Said(QT_TRANSLATE_NOOP("Cli", "порог должен быть целым числом от 1 до 100: %1"),
                     *options.Threshold)};
    if (options.Undo) {
        if (!folders.empty() || options.Keep || options.FingerprintFile)
            return {std::nullopt,
                    Said(QT_TRANSLATE_NOOP("Cli", "--undo указывается только отдельно"))};
        return {options, ""};
    }
    if (options.FingerprintFile) {
        if (!folders.empty())
            return {std::nullopt,
                    Said(QT_TRANSLATE_NOOP("Cli", "лишний параметр %1"), folders.front())};
        return {options, ""};
    }
    // Nothing is ever removed by accident: keeping one file needs a way to remove the rest,
    // and a way to remove needs to know what to keep.
    if (options.Keep.has_value() != (options.Dispose != DisposalWay::None))
        return {std::nullopt,
                Said(QT_TRANSLATE_NOOP("Cli", "--keep и --dispose указываются только вместе"))};
    if (options.Json && options.Csv)
        return {std::nullopt,
                Said(QT_TRANSLATE_NOOP("Cli", "--json и --csv не указываются вместе"))};
    if (options.DryRun && !options.Keep)
        return {std::nullopt,
                Said(QT_TRANSLATE_NOOP("Cli", "--dry-run указывается только вместе с --keep"))};
    if (options.ClearCache && folders.empty() && options.ReferenceFolders.empty() && !options.Keep)
        return {options, ""};
    if (folders.empty()) return {std::nullopt, Said(QT_TRANSLATE_NOOP("Cli", "не указана папка"))};
    options.Folders = std::move(folders);
    return {options, ""};
}

}  // namespace

ParsedOptions ParseOptions(const std::vector<std::string>& arguments) {
    QCommandLineParser parser;
    AddOptions(parser);
    // --undo's journal may follow as the one argument that is not an option, or after "=";
    // the parser has no option whose value may be left out, so the "=" form is taken here.
    std::optional<std::string> undoJournal;
    QStringList texts{QStringLiteral("morvane-cli")};
    const auto optionsEnd = std::ranges::find(arguments, "--");
    for (auto argument = arguments.begin(); argument != arguments.end(); ++argument) {
        const bool undo = argument < optionsEnd && argument->starts_with("--undo=");
        if (undo) undoJournal = argument->substr(7);
        texts << (undo ? QStringLiteral("--undo") : ArgumentText(*argument));
    }
    if (!parser.parse(texts)) return {std::nullopt, ParseError(parser, arguments)};

    Options options;
    if (auto error = ReadChoices(parser, options)) return {std::nullopt, *error};
    ReadSettings(parser, options);
    std::vector<std::string> folders;
    for (const QString& folder : parser.positionalArguments())
        folders.push_back(ArgumentBytes(folder));
    if (parser.isSet("undo")) {
        if (undoJournal) folders.insert(folders.begin(), *undoJournal);
        options.Undo = folders.empty() ? "" : folders.front();
        if (!folders.empty()) folders.erase(folders.begin());
    }
    if (options.Help || options.Version) return {options, ""};
    if (parser.isSet("masks") && parser.isSet("all-formats"))
        return {std::nullopt,
                Said(QT_TRANSLATE_NOOP("Cli", "--masks и --all-formats не указываются вместе"))};
    return Checked(std::move(options), std::move(folders));
}

}  // namespace morvane::cli
