// SPDX-License-Identifier: GPL-3.0-or-later
// The texts the user reads about a disposal, one per kind of outcome.
#include "run/messages.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>

namespace morvane {
namespace {

TEST(DisposalMessage, NamesTheFileAndWhyItStayed) {
    const std::string move = "Не могу переместить файл!\n/p/a.jpg\n";
    const struct {
        DisposalResult result;
        std::string told;
    } cases[] = {
        {{.removed = true, .where = "/moved/a.jpg"}, ""},
        {{.problem = DisposalProblem::MoveFailed, .error = ENOSPC}, move + std::strerror(ENOSPC)},
        {{.problem = DisposalProblem::CannotMakeFolder, .where = "/x/"},
         move + "Не могу создать папку /x/"},
        {{.problem = DisposalProblem::NoFreeName},
         move + "Нет свободного имени в папке для перемещения."},
        {{.problem = DisposalProblem::TrashFailed, .detail = "no trash"},
         "Не могу переместить файл в корзину!\n/p/a.jpg\nno trash"},
        {{.problem = DisposalProblem::CannotOverwrite}, "Не могу перезаписать файл!\n/p/a.jpg"},
        {{.removed = true, .problem = DisposalProblem::CannotOpen},
         "Не могу открыть файл!\n/p/a.jpg\nФайл удалён без перезаписи."},
        {{.problem = DisposalProblem::CannotRename},
         "Файл не удалось переименовать; он не тронут.\n/p/a.jpg"},
        {{.problem = DisposalProblem::CannotRemove, .where = "/p/QQ.Q"},
         "Не могу удалить файл!\n/p/a.jpg\n/p/QQ.Q"},
        {{.removed = true, .problem = DisposalProblem::ContentKept},
         "У файла есть другие имена: удалено только это имя, содержимое не затёрто.\n/p/a.jpg"},
    };
    for (const auto& c : cases) EXPECT_EQ(DisposalMessage("/p/a.jpg", c.result), c.told);
    EXPECT_EQ(
        KeptFileChangedMessage("/p/a.jpg"),
        "Оставляемый файл изменился после сравнения; из его группы ничего не удалено.\n/p/a.jpg");
}

}  // namespace
}  // namespace morvane
