#include "widgets/hyper_link.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include "common/scripted_dialogs.h"

namespace {

const QString kUrl = QStringLiteral("https://example.org/论坛/a b;c'd");

// The link with openers that record their calls instead of starting a browser.
struct LinkFixture {
    LinkFixture() : link(QStringLiteral("问题反馈"), dialogs) {
        link.SetURL(kUrl);
        link.SetOpeners(
            [this](const QUrl& url) {
                desktopCalls << url;
                return desktopOpens;
            },
            [this](const QString& url) {
                commandCalls << url;
                return commandExit;
            });
    }

    ui_test::ScriptedDialogs dialogs;
    CHyperLink link;
    bool desktopOpens = false;
    int commandExit = 0;
    QList<QUrl> desktopCalls;
    QStringList commandCalls;
};

std::string Failure(const char* reason) {
    return std::string("Can't open link:\n\n") + reason;
}

TEST(HyperLink, TriesTheDesktopThenXdgOpenAndReportsWhenBothFail) {
    {
        LinkFixture f;
        f.desktopOpens = true;
        f.link.FollowLink();
        EXPECT_EQ(f.desktopCalls.size(), 1);
        EXPECT_TRUE(f.commandCalls.isEmpty());
        EXPECT_TRUE(f.link.IsVisited());
        EXPECT_EQ(f.link.LinkColour(), QColor(128, 0, 128));
    }
    {
        LinkFixture f;
        f.link.FollowLink();
        ASSERT_EQ(f.commandCalls.size(), 1);
        EXPECT_EQ(f.commandCalls.front(), kUrl);
        EXPECT_TRUE(f.link.IsVisited());
        EXPECT_TRUE(f.dialogs.messages.empty());
    }
    const struct {
        int exitCode;
        std::string text;
    } failures[] = {
        {CHyperLink::kNotStarted,
         Failure("There is no application associated\nwith the given filename extension.")},
        {3, Failure("There is no application associated\nwith the given filename extension.")},
        {2, Failure("The specified file was not found.")},
        {4, Failure("Unknown Error (4) occurred.")},
    };
    for (const auto& failure : failures) {
        SCOPED_TRACE(failure.exitCode);
        LinkFixture f;
        f.commandExit = failure.exitCode;
        f.link.FollowLink();
        EXPECT_EQ(f.desktopCalls.size(), 1);
        EXPECT_EQ(f.commandCalls.size(), 1);
        ASSERT_EQ(f.dialogs.messages.size(), 1U);
        EXPECT_EQ(f.dialogs.messages[0].text, failure.text);
        EXPECT_EQ(f.dialogs.messages[0].icon, platform::MessageIcon::Warning);
        EXPECT_FALSE(f.link.IsVisited());
        EXPECT_EQ(f.link.LinkColour(), QColor(0, 0, 255));
    }
}

TEST(HyperLink, XdgOpenGetsTheUrlAsOneArgument) {
    QTemporaryDir bin;
    ASSERT_TRUE(bin.isValid());
    const QString record = QDir(bin.path()).filePath(QStringLiteral("args"));
    QFile script(QDir(bin.path()).filePath(QStringLiteral("xdg-open")));
    ASSERT_TRUE(script.open(QIODevice::WriteOnly));
    script.write(QStringLiteral("#!/bin/sh\nprintf '%s|%s' \"$#\" \"$1\" > '%1'\nexit 3\n")
                     .arg(record)
                     .toUtf8());
    script.close();
    script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);

    const QByteArray oldPath = qgetenv("PATH");
    qputenv("PATH", QFile::encodeName(bin.path()));
    const int exitCode = CHyperLink::OpenWithXdgOpen(QStringLiteral("http://x/a b;touch y"));
    qputenv("PATH", QFile::encodeName(QDir(bin.path()).filePath(QStringLiteral("none"))));
    const int missing = CHyperLink::OpenWithXdgOpen(QStringLiteral("http://x/"));
    qputenv("PATH", oldPath);

    EXPECT_EQ(exitCode, 3);
    QFile args(record);
    ASSERT_TRUE(args.open(QIODevice::ReadOnly));
    EXPECT_EQ(QString::fromUtf8(args.readAll()), QStringLiteral("1|http://x/a b;touch y"));
    EXPECT_EQ(missing, CHyperLink::kNotStarted);
}

TEST(HyperLink, FollowsOnClickAndSpaceAndShowsItsState) {
    LinkFixture f;
    f.desktopOpens = true;
    f.link.show();
    f.link.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&f.link, 5000));
    EXPECT_TRUE(f.link.font().underline());
    EXPECT_EQ(f.link.size(), f.link.sizeHint());

    // Pressed shows its own colour; let go outside the link opens nothing.
    QTest::mousePress(&f.link, Qt::LeftButton, {}, QPoint(2, 2));
    EXPECT_EQ(f.link.LinkColour(), QColor(0, 128, 128));
    EXPECT_TRUE(f.link.hasFocus());
    QTest::mouseRelease(&f.link, Qt::LeftButton, {}, QPoint(-20, -20));
    EXPECT_TRUE(f.desktopCalls.isEmpty());
    EXPECT_EQ(f.link.LinkColour(), QColor(0, 0, 255));

    QTest::mouseClick(&f.link, Qt::LeftButton, {}, QPoint(2, 2));
    EXPECT_EQ(f.desktopCalls.size(), 1);
    QTest::keyClick(&f.link, Qt::Key_Space);
    EXPECT_EQ(f.desktopCalls.size(), 2);
    QTest::keyClick(&f.link, Qt::Key_A);
    EXPECT_EQ(f.desktopCalls.size(), 2);

    // With follow-on-press the press opens the link and the release does not again.
    f.link.ModifyLinkStyle(0, CHyperLink::kFollowOnButtonDown);
    QTest::mouseClick(&f.link, Qt::LeftButton, {}, QPoint(2, 2));
    EXPECT_EQ(f.desktopCalls.size(), 3);

    // The hover colour only with its style; the mail link drops its underline.
    QEnterEvent enter(QPointF(2, 2), QPointF(2, 2), QPointF(2, 2));
    QApplication::sendEvent(&f.link, &enter);
    EXPECT_EQ(f.link.LinkColour(), QColor(128, 0, 128));
    f.link.ModifyLinkStyle(CHyperLink::kUnderline, CHyperLink::kHoverColour);
    EXPECT_EQ(f.link.LinkColour(), QColor(255, 0, 0));
    EXPECT_EQ(f.link.palette().color(QPalette::WindowText), QColor(255, 0, 0));
    EXPECT_FALSE(f.link.font().underline());
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(&f.link, &leave);
    EXPECT_EQ(f.link.LinkColour(), QColor(128, 0, 128));
}

}  // namespace
