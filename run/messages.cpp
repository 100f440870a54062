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

}  // namespace

std::string DisposalMessage(const std::string& path, const DisposalResult& result) {
    switch (result.problem) {
        case DisposalProblem::None:
            return "";
        case DisposalProblem::TrashFailed:
            return "Не могу переместить файл в корзину!\n" + path + "\n" + result.detail;
        case DisposalProblem::CannotOpen:
            return "Не могу открыть файл!\n" + path;
        case DisposalProblem::CannotOverwrite:
            return "Не могу перезаписать файл!\n" + path;
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
