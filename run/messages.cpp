#include "run/messages.h"

#include <cstring>

namespace morvane {

std::string CreateFailedMessage(const std::string& path) {
    return "Ошибка создания файла!\n" + path;
}

std::string WriteFailedMessage(const std::string& path) {
    return "Ошибка записи файла!\n" + path;
}

namespace {

// Why a move failed, for the line under the file's name.
std::string MoveReason(const DisposalResult& result) {
    switch (result.problem) {
        case DisposalProblem::NoMoveFolder:
            return "Папка для перемещения не задана.";
        case DisposalProblem::CannotMakeFolder:
            return "Не могу создать папку " + result.where;
        case DisposalProblem::AlreadyInFolder:
            return "Файл уже лежит в папке для перемещения.";
        case DisposalProblem::NoFreeName:
            return "Нет свободного имени в папке для перемещения.";
        case DisposalProblem::NotRegularFile:
            return "На другой диск переносится только обычный файл.";
        default:
            return std::strerror(result.error);
    }
}

// A file that refused writing is still removed, as asked, but the user must know its bytes
// were not overwritten.
std::string Unwiped(const DisposalResult& result) {
    return result.removed ? "\nФайл удалён без перезаписи." : "";
}

}  // namespace

std::string ReferenceKeptMessage(const std::string& path) {
    return "Это эталон: файлы из папок эталонов не удаляются.\n" + path;
}

std::string RemoveReferenceFolderText(const std::string& folder) {
    return "Убрать эталоны: " + folder;
}

std::string KeptFileChangedMessage(const std::string& path) {
    return "Оставляемый файл изменился после сравнения; из его группы ничего не удалено.\n" + path;
}

std::string DisposalMessage(const std::string& path, const DisposalResult& result) {
    switch (result.problem) {
        case DisposalProblem::None:
            return "";
        case DisposalProblem::TrashFailed:
            return "Не могу переместить файл в корзину!\n" + path + "\n" + result.detail;
        case DisposalProblem::CannotRename:
            return "Файл не удалось переименовать; он не тронут.\n" + path;
        case DisposalProblem::CannotOpen:
            return "Не могу открыть файл!\n" + path + Unwiped(result);
        case DisposalProblem::CannotOverwrite:
            return "Не могу перезаписать файл!\n" + path + Unwiped(result);
        case DisposalProblem::CannotRemove:
            return "Не могу удалить файл!\n" + path +
                   (result.where.empty() ? "" : "\n" + result.where);
        case DisposalProblem::Changed:
            return "Файл изменился после сравнения и оставлен на месте.\n" + path;
        case DisposalProblem::ContentKept:
            // The user asked for the bytes to go; the other names still hold them.
            return "У файла есть другие имена: удалено только это имя, содержимое не затёрто.\n" +
                   path;
        case DisposalProblem::KeptChanged:
            return "Оставляемый файл изменился после сравнения; ссылка не сделана, файл оставлен "
                   "на месте.\n" +
                   path;
        case DisposalProblem::NotIdentical:
            return "Файл не совпадает с оставляемым побайтно; ссылка не сделана, файл оставлен на "
                   "месте.\n" +
                   path;
        case DisposalProblem::OtherFileSystem:
            return "Оставляемый файл на другом диске, жёсткая ссылка невозможна; файл оставлен на "
                   "месте.\n" +
                   path;
        case DisposalProblem::LinkFailed:
            return "Не могу заменить файл ссылкой!\n" + path + "\n" + std::strerror(result.error);
        case DisposalProblem::JournalFailed:
            return "Не могу записать журнал удалений; файл оставлен на месте.\n" + path + "\n" +
                   result.where +
                   (result.error ? "\n" + std::string(std::strerror(result.error)) : "");
        default:
            return "Не могу переместить файл!\n" + path + "\n" + MoveReason(result);
    }
}

std::string UndoMessage(const UndoReport& report, const std::string& journal) {
    if (journal.empty()) return "Нет журнала удалений: возвращать нечего.";
    if (!report.Readable) return "Не могу прочитать журнал удалений!\n" + journal;
    int back = 0;
    std::string left;
    for (const UndoEntry& entry : report.Entries) {
        switch (entry.Problem) {
            case UndoProblem::None:
                ++back;
                continue;
            case UndoProblem::Wiped:
                left += "\nзатёрт, вернуть нельзя: ";
                break;
            case UndoProblem::Linked:
                left += "\nзаменён ссылкой на оставленную копию: ";
                break;
            case UndoProblem::Occupied:
                left += "\nна его месте уже есть файл: ";
                break;
            case UndoProblem::Missing:
                left += "\nне найден там, куда был убран: ";
                break;
            case UndoProblem::Failed:
                left += "\n" + std::string(std::strerror(entry.Error)) + ": ";
                break;
        }
        left += entry.From;
    }
    const std::string done = "Возвращено файлов: " + std::to_string(back);
    return left.empty() ? done : done + "\nНе возвращены:" + left;
}

}  // namespace morvane
