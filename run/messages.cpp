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
        default:
            return "Не могу переместить файл!\n" + path + "\n" + MoveReason(result);
    }
}

}  // namespace morvane
