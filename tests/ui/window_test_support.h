// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Helpers of the window tests: finding the main window's controls by their names, driving
// them as a user would, and the language they speak (the locale the test runs under).
#include <QAbstractButton>
#include <QApplication>
#include <QLocale>
#include <QTest>
#include <QWidget>

#include "run/language.h"

namespace morvane::test {

// The named control; fails the test (through a null pointer check) when it is missing.
template <typename T>
T* Control(QWidget& window, const char* name) {
    T* control = window.findChild<T*>(name);
    if (!control) qFatal("no control named %s", name);
    return control;
}

// One control of a control array, named like "Label2_3".
template <typename T>
T* Control(QWidget& window, const char* array, int index) {
    return Control<T>(window, (QByteArray(array) + "_" + QByteArray::number(index)).constData());
}

inline void Press(QWidget& window, const char* name) {
    QTest::mouseClick(Control<QAbstractButton>(window, name), Qt::LeftButton);
}

inline void Click(QWidget& window, const char* name) {
    QAbstractButton* button = Control<QAbstractButton>(window, name);
    QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(8, button->height() / 2));
}

inline void ShowActive(QWidget& window) {
    window.show();
    QApplication::setActiveWindow(&window);
    if (!QTest::qWaitForWindowActive(&window)) qWarning("the window did not become active");
}

// The text in the language the window speaks under the test's locale.
inline QString Said(const char* russian, const char* english) {
    return QString::fromUtf8(morvane::SpeaksRussian(QLocale::system()) ? russian : english);
}

}  // namespace morvane::test
