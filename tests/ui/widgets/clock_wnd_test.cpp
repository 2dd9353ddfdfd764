#include "widgets/clock_wnd.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QTemporaryDir>
#include <QTest>

#include "platform/virtual_clock.h"

namespace {

constexpr int kWaitMs = 5000;

platform::LocalTime At(int year, int month, int day, int hour, int minute, int second) {
    platform::LocalTime time;
    time.year = year;
    time.month = month;
    time.day = day;
    time.hour = hour;
    time.minute = minute;
    time.second = second;
    return time;
}

int CountColour(const QImage& image, const QColor& colour) {
    int count = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            count += image.pixelColor(x, y) == colour ? 1 : 0;
        }
    }
    return count;
}

// Sets an environment variable for the life of the object.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const QByteArray& value)
        : m_name(name), m_had(qEnvironmentVariableIsSet(name)), m_old(qgetenv(name)) {
        qputenv(name, value);
    }
    ~ScopedEnv() {
        if (m_had) {
            qputenv(m_name, m_old);
        } else {
            qunsetenv(m_name);
        }
    }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    const char* m_name;
    bool m_had;
    QByteArray m_old;
};

void MakeExecutable(const QDir& dir, const QString& name) {
    QFile file(dir.filePath(name));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("#!/bin/sh\nexit 0\n");
    file.close();
    file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

TEST(ClockWnd, ShowsTheDateWeekdayAndTimeAndMovesOnEachSecond) {
    EXPECT_EQ(CClockWnd::FormatTime(platform::VirtualClock(At(2009, 6, 7, 9, 5, 7)).Now()),
              QStringLiteral("2009年06月07日 星期日 09:05:07"));

    platform::VirtualClock clock(At(2026, 12, 8, 23, 59, 58));
    CClockWnd wnd(clock);
    wnd.resize(279, 24);
    EXPECT_EQ(wnd.Text(), QStringLiteral("2026年12月08日 星期二 23:59:58"));
    EXPECT_EQ(wnd.accessibleName(), wnd.Text());

    // The shown clock reads the time by itself once a second.
    wnd.show();
    clock.Advance(1000);
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return wnd.Text() == QStringLiteral("2026年12月08日 星期二 23:59:59"); }, kWaitMs));
    clock.Advance(1000);
    wnd.Refresh();
    EXPECT_EQ(wnd.Text(), QStringLiteral("2026年12月09日 星期三 00:00:00"));
    EXPECT_EQ(wnd.accessibleName(), wnd.Text());

    // Hidden, it stops reading the clock; shown again, it is right at once.
    wnd.hide();
    clock.Advance(1000);
    QTest::qWait(1200);
    EXPECT_EQ(wnd.Text(), QStringLiteral("2026年12月09日 星期三 00:00:00"));
    wnd.show();
    EXPECT_EQ(wnd.Text(), QStringLiteral("2026年12月09日 星期三 00:00:01"));
}

TEST(ClockWnd, PaintsItsWholeFaceInItsColoursAtAnySize) {
    platform::VirtualClock clock(At(2026, 12, 8, 8, 0, 0));
    // A child of a toolbar, as in the main window: it starts small and is then sized.
    QWidget toolbar;
    toolbar.resize(600, 60);
    auto* clockWnd = new CClockWnd(clock, &toolbar);
    CClockWnd& wnd = *clockWnd;
    wnd.SetBackColour(QColor(0, 0, 0));
    wnd.SetTextColour(QColor(0, 255, 0));
    toolbar.show();
    wnd.setGeometry(300, 1, 279, 24);

    QImage face = wnd.grab().toImage();
    EXPECT_EQ(face.pixelColor(2, 2), QColor(0, 0, 0));
    EXPECT_EQ(face.pixelColor(face.width() - 3, face.height() - 3), QColor(0, 0, 0));
    EXPECT_GT(CountColour(face, QColor(0, 255, 0)), 0);

    // The toolbar gives the clock a new size: the whole new face is painted.
    wnd.resize(400, 40);
    wnd.SetBackColour(QColor(200, 0, 0));
    face = wnd.grab().toImage();
    EXPECT_EQ(face.pixelColor(face.width() - 3, face.height() - 3), QColor(200, 0, 0));
    EXPECT_GT(CountColour(face, QColor(0, 255, 0)), 0);
}

TEST(ClockWnd, DoubleClickOpensTheDesktopsDateAndTimeSettingsWhenInstalled) {
    QTemporaryDir bin;
    ASSERT_TRUE(bin.isValid());
    const ScopedEnv path("PATH", QFile::encodeName(bin.path()));
    const ScopedEnv desktop("XDG_CURRENT_DESKTOP", "ubuntu:KDE");

    platform::VirtualClock clock(At(2026, 12, 8, 8, 0, 0));
    CClockWnd wnd(clock);
    wnd.resize(279, 24);
    wnd.show();
    QStringList launched;
    wnd.SetLauncher([&](const QString& program, const QStringList& arguments) {
        launched << QFileInfo(program).fileName() + QLatin1Char(' ') + arguments.join(' ');
        return true;
    });

    // Nothing installed: nothing happens.
    QTest::mouseDClick(&wnd, Qt::LeftButton);
    EXPECT_TRUE(launched.isEmpty());

    // Another desktop's settings serve when the running desktop's are missing.
    MakeExecutable(QDir(bin.path()), QStringLiteral("gnome-control-center"));
    QTest::mouseDClick(&wnd, Qt::LeftButton);
    ASSERT_EQ(launched.size(), 1);
    EXPECT_EQ(launched.last(), QStringLiteral("gnome-control-center datetime"));

    // The running desktop's own settings come first.
    MakeExecutable(QDir(bin.path()), QStringLiteral("kcmshell5"));
    QTest::mouseDClick(&wnd, Qt::LeftButton);
    ASSERT_EQ(launched.size(), 2);
    EXPECT_EQ(launched.last(), QStringLiteral("kcmshell5 clock"));
}

}  // namespace
