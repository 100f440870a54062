// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/about/version.h"

#include <cstdlib>

namespace morvane {

QString PadLeft(const QString& text, int width, QChar fill) {
    return (QString(width, fill) + text).right(width);
}

namespace {
QString Digits(int number, int width) {
    return PadLeft(QString::number(std::abs(static_cast<long long>(number))), width, u'0');
}
}  // namespace

QString VersionText(int major, int minor, int revision) {
    return Digits(major, 2) + u'.' + Digits(minor, 2) + u'.' + Digits(revision, 4);
}

QString VersionText() {
    return VersionText(MORVANE_VERSION_MAJOR, MORVANE_VERSION_MINOR, MORVANE_VERSION_PATCH);
}

}  // namespace morvane
