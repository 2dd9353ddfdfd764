#pragma once
// A test fixture that opens one store editor on the fake host and drives it through its
// controls by object name, the way a user would: clicks, typed text, list rows.

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QCoreApplication>
#include <QEvent>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <string>
#include <vector>

#include "editors/common/fake_editor_host.h"

namespace stores_test {

using ui_test::FakeEditorHost;

// Where a check box's or radio button's indicator is, from its left edge.
inline constexpr int kIndicatorX = 6;

template <typename Dialog>
class DialogTest : public ::testing::Test {
protected:
    ~DialogTest() override {
        delete m_pDlg;
        Flush();
    }

    void Open() {
        delete m_pDlg;
        m_pDlg = host.Watched(new Dialog(host));
        m_pDlg->show();
    }

    // Whether the dialog has closed and deleted itself.
    bool Closed() {
        Flush();
        return m_pDlg.isNull();
    }

    static void Flush() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }

    template <typename T>
    T* Get(const char* name) {
        T* widget = m_pDlg->template findChild<T*>(QString::fromUtf8(name));
        EXPECT_NE(widget, nullptr) << name;
        return widget;
    }
    QLineEdit* Edit(const char* name) { return Get<QLineEdit>(name); }
    // A list by its object name, whatever kind of view shows it.
    QAbstractItemView* List(const char* name) { return Get<QAbstractItemView>(name); }

    // Clicks a push button in its middle, a check box or radio button on its indicator.
    void Click(const char* name) {
        QAbstractButton* button = Get<QAbstractButton>(name);
        if (qobject_cast<QPushButton*>(button) != nullptr) {
            QTest::mouseClick(button, Qt::LeftButton);
        } else {
            QTest::mouseClick(button, Qt::LeftButton, {},
                              QPoint(kIndicatorX, button->height() / 2));
        }
    }
    void ClickRow(const char* list, int row) {
        QAbstractItemView* view = List(list);
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {},
                          view->visualRect(view->model()->index(row, 0)).center());
    }
    // The list's current row, -1 without one.
    int CurrentRow(const char* list) { return List(list)->currentIndex().row(); }
    // Replaces the field's text as typing would.
    void Type(const char* name, const QString& text) {
        QLineEdit* edit = Edit(name);
        edit->setFocus();
        edit->selectAll();
        QTest::keyClick(edit, Qt::Key_Backspace);
        // QTest types ASCII only; other text goes in as one typed insertion.
        bool ascii = true;
        for (const QChar c : text) {
            ascii = ascii && c.unicode() < 0x80;
        }
        if (ascii) {
            QTest::keyClicks(edit, text);
        } else {
            edit->insert(text);
        }
    }
    std::vector<QString> Rows(const char* list) {
        std::vector<QString> rows;
        const QAbstractItemModel* model = List(list)->model();
        for (int row = 0; row < model->rowCount(); ++row) {
            rows.push_back(model->index(row, 0).data().toString());
        }
        return rows;
    }

    FakeEditorHost host;
    QPointer<Dialog> m_pDlg;
};

}  // namespace stores_test
