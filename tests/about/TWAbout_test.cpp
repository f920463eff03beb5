#include "about/Centring.h"
#include "about/TWAbout.h"
#include "platform/os/DesktopOpener.h"
#include "support/MessageRecorder.h"

#include "ui_WAbout.h"
#include "version/Version.h"

#include <QCoreApplication>
#include <QMouseEvent>
#include <QPushButton>
#include <QRegularExpression>

#include <gtest/gtest.h>

namespace {

// Records what would go to the desktop instead of launching anything.
struct ShellRecorder {
    QStringList opened;
    bool waited = false;
    os::DesktopOpener previous;
    ShellRecorder()
        : previous(os::setDesktopOpener([this](const QString& address, os::OpenWait wait) {
              opened.append(address);
              waited = waited || wait != os::OpenWait::No;
              return os::OpenVerdict{true, {}};
          }))
    {
    }
    ~ShellRecorder() { os::setDesktopOpener(previous); }
};

void sendMouse(QWidget* widget, QEvent::Type type, Qt::MouseButton button)
{
    const QPointF at(2, 2);
    QMouseEvent event(type, at, widget->mapToGlobal(at), button,
                      type == QEvent::MouseMove ? Qt::NoButton : button, Qt::NoModifier);
    QCoreApplication::sendEvent(widget, &event);
}

void sendLeave(QWidget* widget)
{
    QEvent event(QEvent::Leave);
    QCoreApplication::sendEvent(widget, &event);
}

QColor textColor(const QWidget* widget) { return widget->palette().color(QPalette::WindowText); }

} // namespace

TEST(Centring, HalvesTheDifferenceOfOuterSizesTruncatingTowardZero)
{
    struct Case {
        const char* name;
        QRect owner;
        QSize size;
        QPoint expected;
    };
    const Case cases[] = {
        {"the designed example", QRect(100, 100, 400, 480), QSize(269, 123), QPoint(165, 278)},
        {"an owner 5 pixels narrower", QRect(100, 100, 264, 480), QSize(269, 123), QPoint(98, 278)},
        {"odd differences lose their half pixel", QRect(0, 0, 100, 100), QSize(41, 42), QPoint(29, 29)},
        {"no clamping to the screen", QRect(-300, -50, 100, 40), QSize(269, 123), QPoint(-384, -91)},
    };
    for (const Case& c : cases)
        EXPECT_EQ(centredOver(c.owner, c.size), c.expected) << c.name;
}

TEST(TWAbout, IsAFixedDialogWhoseCaptionsNeverRunIntoTheLinks)
{
    TWAbout about;
    const Ui::TWAbout& ui = about.ui();
    EXPECT_EQ(about.objectName(), QStringLiteral("WAbout"));
    EXPECT_EQ(about.windowTitle(), QStringLiteral("О программе"));
    EXPECT_EQ(about.minimumSize(), about.maximumSize());
    EXPECT_EQ(about.height(), 95);
    EXPECT_GE(about.width(), 261);
    EXPECT_FALSE(about.windowFlags() & Qt::WindowMinimizeButtonHint);
    EXPECT_FALSE(about.windowFlags() & Qt::WindowMaximizeButtonHint);

    // The version the build was given, the one the Windows version resource
    // and the installer carry: four numbers.
    EXPECT_EQ(ui.LName->text(), QStringLiteral("Ведорис ") + QString::fromUtf8(version::Text));
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^\\d+\\.\\d+\\.\\d+\\.\\d+$"))
                    .match(QString::fromUtf8(version::Text)).hasMatch());
    EXPECT_TRUE(ui.LURL->text().startsWith(QStringLiteral("http://")));

    // Whatever the font, no caption runs into a link and no link past the edge.
    for (QLabel* link : {ui.LURL, ui.LMail}) {
        EXPECT_GT(link->x(), ui.Label1->geometry().right());
        EXPECT_GT(link->x(), ui.Label2->geometry().right());
        EXPECT_LE(link->geometry().right(), about.width() - 1);
        EXPECT_GE(link->width(), link->sizeHint().width());
        EXPECT_TRUE(link->font().underline());
        EXPECT_EQ(link->cursor().shape(), Qt::PointingHandCursor);
        EXPECT_EQ(textColor(link), about.palette().color(QPalette::WindowText));
    }
}

TEST(TWAbout, TheOkButtonClosesTheWindowWithOk)
{
    TWAbout about;
    about.show();
    about.ui().Button1->click();
    EXPECT_FALSE(about.isVisible());
    EXPECT_EQ(about.result(), QDialog::Accepted);
}

TEST(TWAbout, LinksTurnBlueUnderTheMouseAndStayBlackAfterLeaving)
{
    TWAbout about;
    about.show();
    for (QLabel* link : {about.ui().LURL, about.ui().LMail}) {
        sendMouse(link, QEvent::MouseMove, Qt::NoButton);
        EXPECT_EQ(textColor(link), QColor(0, 0, 255)) << link->objectName().toStdString();
        sendLeave(link);
        EXPECT_EQ(textColor(link), QColor(0, 0, 0));
    }
    // Not reset between showings.
    about.hide();
    about.show();
    EXPECT_EQ(textColor(about.ui().LURL), QColor(0, 0, 0));
    EXPECT_EQ(textColor(about.ui().LMail), QColor(0, 0, 0));
    EXPECT_EQ(textColor(about.ui().LName), about.palette().color(QPalette::WindowText));
}

TEST(TWAbout, AnyMouseButtonOpensTheLinkAtThePress)
{
    TWAbout about;
    about.show();
    const QString host = QUrl(about.ui().LURL->text()).host();
    ASSERT_FALSE(host.isEmpty());
    EXPECT_EQ(about.siteTarget(), host);
    EXPECT_EQ(about.mailTarget(), QStringLiteral("mailto:") + about.ui().LMail->text());

    for (Qt::MouseButton button : {Qt::LeftButton, Qt::RightButton, Qt::MiddleButton}) {
        ShellRecorder shell;
        sendMouse(about.ui().LURL, QEvent::MouseButtonPress, button);
        sendMouse(about.ui().LURL, QEvent::MouseButtonRelease, button);
        sendMouse(about.ui().LMail, QEvent::MouseButtonPress, button);
        EXPECT_EQ(shell.opened, (QStringList{host, about.mailTarget()})) << button;
        EXPECT_FALSE(shell.waited) << "a link does not wait for the desktop's verdict";
    }

    ShellRecorder shell;
    sendMouse(about.ui().LName, QEvent::MouseButtonPress, Qt::LeftButton);
    sendMouse(about.ui().Label1, QEvent::MouseButtonPress, Qt::LeftButton);
    EXPECT_TRUE(shell.opened.isEmpty()) << "only the links open anything";
    sendMouse(about.ui().LMail, QEvent::MouseButtonDblClick, Qt::LeftButton);
    EXPECT_EQ(shell.opened, QStringList{about.mailTarget()}) << "a double click's second press";
}

TEST(TWAbout, AFailingShellIsIgnoredWithoutAWord)
{
    TWAbout about;
    about.show();
    MessageRecorder messages;
    int tries = 0;
    const os::DesktopOpener previous = os::setDesktopOpener([&](const QString&, os::OpenWait) -> os::OpenVerdict {
        // The desktop says no to the site, and fails outright for the mail.
        if (++tries == 1)
            return {false, QStringLiteral("no browser")};
        throw std::runtime_error("no mail program");
    });
    EXPECT_NO_THROW(sendMouse(about.ui().LURL, QEvent::MouseButtonPress, Qt::LeftButton));
    EXPECT_NO_THROW(sendMouse(about.ui().LMail, QEvent::MouseButtonPress, Qt::LeftButton));
    os::setDesktopOpener(previous);
    EXPECT_EQ(tries, 2);
    EXPECT_TRUE(messages.all.isEmpty()) << messages.all.join(u'|').toStdString();
}

TEST(TWAbout, CentresItselfOverTheMainWindowOnEveryShow)
{
    QWidget mainWindow;
    mainWindow.setGeometry(100, 100, 400, 480);
    mainWindow.show();

    TWAbout about(&mainWindow);
    about.show();
    EXPECT_EQ(about.pos(), centredOver(mainWindow.frameGeometry(), about.frameGeometry().size()));
    about.hide();

    mainWindow.move(300, 40);
    about.move(0, 0);
    about.show();
    EXPECT_EQ(about.pos(), centredOver(mainWindow.frameGeometry(), about.frameGeometry().size()));
    about.hide();

    // A main window set apart from the parent.
    QWidget other;
    other.setGeometry(10, 20, 600, 300);
    about.setMainWindow(&other);
    about.show();
    EXPECT_EQ(about.pos(), centredOver(other.frameGeometry(), about.frameGeometry().size()));
}

TEST(TWAbout, ShowsWithoutAMainWindow)
{
    TWAbout about;
    about.move(12, 34);
    about.show();
    EXPECT_EQ(about.pos(), QPoint(12, 34));
}
