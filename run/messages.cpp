// SPDX-License-Identifier: GPL-3.0-or-later
#include "run/messages.h"

#include <QCoreApplication>
#include <cstring>

#include "run/language.h"

namespace morvane {

// The texts are looked up under the context "Messages"; a path or a detail is joined to them
// byte for byte.

std::string CreateFailedMessage(const std::string& path) {
    return Utf8(QCoreApplication::translate("Messages", "Ошибка создания файла!")) + "\n" + path;
}

std::string WriteFailedMessage(const std::string& path) {
    return Utf8(QCoreApplication::translate("Messages", "Ошибка записи файла!")) + "\n" + path;
}

namespace {

// Why a move failed, for the line under the file's name.
std::string MoveReason(const DisposalResult& result) {
    switch (result.problem) {
        case DisposalProblem::NoMoveFolder:
            return Utf8(
                QCoreApplication::translate("Messages", "Папка для перемещения не задана."));
        case DisposalProblem::CannotMakeFolder:
            return WithArgument(
                Utf8(QCoreApplication::translate("Messages", "Не могу создать папку %1")),
                result.where);
        case DisposalProblem::AlreadyInFolder:
            return Utf8(
                QCoreApplication::translate("Messages", "Файл уже лежит в папке для перемещения."));
        case DisposalProblem::NoFreeName:
            return Utf8(QCoreApplication::translate(
                "Messages", "Нет свободного имени в папке для перемещения."));
        case DisposalProblem::NotRegularFile:
            return Utf8(QCoreApplication::translate(
                "Messages", "На другой диск переносится только обычный файл."));
        default:
            return std::strerror(result.error);
    }
}

// A file that refused writing is still removed, as asked, but the user must know its bytes
// were not overwritten.
std::string Unwiped(const DisposalResult& result) {
    return result.removed
               ? "\n" + Utf8(QCoreApplication::translate("Messages", "Файл удалён без перезаписи."))
               : "";
}

// A message's first text, then the path on a line of its own.
std::string About(const char* text, const std::string& path) {
    return Utf8(QCoreApplication::translate("Messages", text)) + "\n" + path;
}

}  // namespace

std::string AllFormatsActionText() {
    return Utf8(QCoreApplication::translate("Messages", "Все форматы картинок"));
}

std::string DefaultMasksActionText() {
    return Utf8(QCoreApplication::translate("Messages", "Маски по умолчанию"));
}

std::string ReferenceMark() {
    return Utf8(QCoreApplication::translate("Messages", "(эталон)"));
}

std::string AddReferenceFolderText() {
    return Utf8(QCoreApplication::translate("Messages", "Добавить папку эталонов…"));
}

std::string ClearReferenceFoldersText() {
    return Utf8(QCoreApplication::translate("Messages", "Очистить папки эталонов"));
}

std::string ReferenceFoldersTitle() {
    return Utf8(QCoreApplication::translate("Messages", "Папки эталонов (не удаляются):"));
}

std::string ReferenceKeptMessage(const std::string& path) {
    return About(QT_TRANSLATE_NOOP("Messages", "Это эталон: файлы из папок эталонов не удаляются."),
                 path);
}

std::string RemoveReferenceFolderText(const std::string& folder) {
    return WithArgument(Utf8(QCoreApplication::translate("Messages", "Убрать эталоны: %1")),
                        folder);
}

std::string KeptFileChangedMessage(const std::string& path) {
    return About(
        QT_TRANSLATE_NOOP(
            "Messages",
            "Оставляемый файл изменился после сравнения; из его группы ничего не удалено."),
        path);
}

std::string CacheWarning(const std::string& path, const std::string& text) {
    return WithArgument(Utf8(QCoreApplication::translate("Messages", "Кэш отпечатков %1: ")),
                        path) +
           text;
}

std::string CacheNoFolderText() {
    return Utf8(QCoreApplication::translate("Messages", "нет папки для кэша"));
}

std::string CacheRemadeText(const std::string& error) {
    return WithArgument(
        Utf8(QCoreApplication::translate("Messages", "файл повреждён, создаётся заново (%1)")),
        error);
}

std::string CacheNotOpenedText(const std::string& error) {
    return WithArgument(
        Utf8(QCoreApplication::translate("Messages", "не открывается, поиск идёт без него (%1)")),
        error);
}

std::string CacheForeignText() {
    return Utf8(QCoreApplication::translate("Messages",
                                            "база данных другой программы, поиск идёт без кэша"));
}

std::string CacheGivenUpText(const std::string& what) {
    return WithArgument(
        Utf8(QCoreApplication::translate("Messages", "не используется дальше (%1)")), what);
}

std::string DisposalMessage(const std::string& path, const DisposalResult& result) {
    switch (result.problem) {
        case DisposalProblem::None:
            return "";
        case DisposalProblem::TrashFailed:
            return About(QT_TRANSLATE_NOOP("Messages", "Не могу переместить файл в корзину!"),
                         path) +
                   "\n" + result.detail;
        case DisposalProblem::CannotRename:
            return About(
                QT_TRANSLATE_NOOP("Messages", "Файл не удалось переименовать; он не тронут."),
                path);
        case DisposalProblem::CannotOpen:
            return About(QT_TRANSLATE_NOOP("Messages", "Не могу открыть файл!"), path) +
                   Unwiped(result);
        case DisposalProblem::CannotOverwrite:
            return About(QT_TRANSLATE_NOOP("Messages", "Не могу перезаписать файл!"), path) +
                   Unwiped(result);
        case DisposalProblem::CannotRemove:
            return About(QT_TRANSLATE_NOOP("Messages", "Не могу удалить файл!"), path) +
                   (result.where.empty() ? "" : "\n" + result.where);
        case DisposalProblem::Changed:
            return About(QT_TRANSLATE_NOOP("Messages",
                                           "Файл изменился после сравнения и оставлен на месте."),
                         path);
        case DisposalProblem::ContentKept:
            // The user asked for the bytes to go; the other names still hold them.
            return About(QT_TRANSLATE_NOOP("Messages",
                                           "У файла есть другие имена: удалено только "
                                           "это имя, содержимое не затёрто."),
                         path);
        case DisposalProblem::KeptChanged:
            return About(QT_TRANSLATE_NOOP("Messages",
                                           "Оставляемый файл изменился после сравнения; ссылка не "
                                           "сделана, файл оставлен на месте."),
                         path);
        case DisposalProblem::NotIdentical:
            return About(QT_TRANSLATE_NOOP("Messages",
                                           "Файл не совпадает с оставляемым побайтно; ссылка не "
                                           "сделана, файл оставлен на месте."),
                         path);
        case DisposalProblem::OtherFileSystem:
            return About(QT_TRANSLATE_NOOP("Messages",
                                           "Оставляемый файл на другом диске, жёсткая ссылка "
                                           "невозможна; файл оставлен на месте."),
                         path);
        case DisposalProblem::LinkFailed:
            return About(QT_TRANSLATE_NOOP("Messages", "Не могу заменить файл ссылкой!"), path) +
                   "\n" + std::strerror(result.error);
        case DisposalProblem::JournalFailed:
            return About(
                       QT_TRANSLATE_NOOP(
                           "Messages", "Не могу записать журнал удалений; файл оставлен на месте."),
                       path) +
                   "\n" + result.where +
                   (result.error ? "\n" + std::string(std::strerror(result.error)) : "");
        default:
            return About(QT_TRANSLATE_NOOP("Messages", "Не могу переместить файл!"), path) + "\n" +
                   MoveReason(result);
    }
}

namespace {

// Why a file of the journal stayed where it was, before its name.
std::string NotBackReason(const UndoEntry& entry) {
    switch (entry.Problem) {
        case UndoProblem::Wiped:
            return Utf8(QCoreApplication::translate("Messages", "затёрт, вернуть нельзя: "));
        case UndoProblem::Linked:
            return Utf8(
                QCoreApplication::translate("Messages", "заменён ссылкой на оставленную копию: "));
        case UndoProblem::Occupied:
            return Utf8(QCoreApplication::translate("Messages", "на его месте уже есть файл: "));
        case UndoProblem::Missing:
            return Utf8(QCoreApplication::translate("Messages", "не найден там, куда был убран: "));
        default:  // the system refused: its own words
            return std::string(std::strerror(entry.Error)) + ": ";
    }
}

}  // namespace

std::string UndoMessage(const UndoReport& report, const std::string& journal) {
    if (journal.empty())
        return Utf8(
            QCoreApplication::translate("Messages", "Нет журнала удалений: возвращать нечего."));
    if (!report.Readable)
        return About(QT_TRANSLATE_NOOP("Messages", "Не могу прочитать журнал удалений!"), journal);
    int back = 0;
    std::string left;
    for (const UndoEntry& entry : report.Entries) {
        if (entry.Problem == UndoProblem::None)
            ++back;
        else
            left += "\n" + NotBackReason(entry) + entry.From;
    }
    const std::string done =
        WithArgument(Utf8(QCoreApplication::translate("Messages", "Возвращено файлов: %1")),
                     std::to_string(back));
    return left.empty()
               ? done
               : done + "\n" + Utf8(QCoreApplication::translate("Messages", "Не возвращены:")) +
                     left;
}

}  // namespace morvane
