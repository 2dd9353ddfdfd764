#pragma once
// Small helpers the settings dialogs' tests share: finding controls by name, clicking
// them, and letting closed dialogs be deleted.

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QCoreApplication>
#include <QEvent>
#include <QLineEdit>
#include <QTest>
#include <QWidget>
#include <string>

#include "schedule/text_codec.h"

namespace settings_test {

template <typename T>
T* Child(QWidget* dialog, const char* name) {
    T* child = dialog->findChild<T*>(QString::fromLatin1(name));
    EXPECT_NE(child, nullptr) << name;
    return child;
}

// Clicks near the button's left edge: a check box in a wide layout takes clicks only on
// its box and text, not on the empty space to their right.
inline void Click(QWidget* dialog, const char* name) {
    if (auto* button = Child<QAbstractButton>(dialog, name)) {
        QTest::mouseClick(button, Qt::LeftButton, Qt::NoModifier,
                          QPoint(qMin(8, button->width() / 2), button->height() / 2));
    }
}

inline void SetText(QWidget* dialog, const char* name, const QString& text) {
    if (auto* edit = Child<QLineEdit>(dialog, name)) {
        edit->setText(text);
    }
}

// Deletes the dialogs that closed with delete-on-close.
inline void DeleteClosedDialogs() {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

// The settings file's bytes for a text written here in UTF-8.
inline std::string FileBytes(const std::string& utf8) {
    return schedule::EncodeFileText(utf8);
}

}  // namespace settings_test
