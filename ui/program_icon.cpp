// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/program_icon.h"

// The resources live in a static library: naming their initialiser here makes the linker keep
// them in every program that asks for the icon.
static void InitProgramResources() {
    Q_INIT_RESOURCE(resources);
}

namespace morvane {

QIcon ProgramIcon() {
    InitProgramResources();
    QIcon icon;
    for (const int size : {16, 24, 32, 48, 64, 128, 256})
        icon.addFile(QStringLiteral(":/icons/morvane-%1.png").arg(size), QSize(size, size));
    return icon;
}

}  // namespace morvane
