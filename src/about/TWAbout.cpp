#include "about/TWAbout.h"

#include "ui_WAbout.h"

#include "about/Centring.h"
#include "platform/messages/EntryPoint.h"
#include "platform/os/DesktopOpener.h"
#include "version/Version.h"

#include <QEvent>
#include <QShowEvent>
#include <QUrl>

#include <algorithm>

TWAbout* WAbout = nullptr;

namespace {

// Colours as the form's toolkit writes them: 0x00BBGGRR.
QColor fromColorRef(uint32_t color)
{
    return QColor(static_cast<int>(color & 0xFF), static_cast<int>((color >> 8) & 0xFF),
                  static_cast<int>((color >> 16) & 0xFF));
}

constexpr uint32_t Blue = 0xFF0000;
constexpr uint32_t Black = 0;

// The designed client area, and the gaps that the captions keep from the
// link column and the links from the right edge.
constexpr int DesignedWidth = 261;
constexpr int DesignedHeight = 95;
constexpr int CaptionGap = 4;
constexpr int RightMargin = 8;

// A link hands its address to the desktop and forgets it: whatever the
// desktop makes of it, a failure included, nothing is shown.
void ignoreFailure(std::exception_ptr) {}

} // namespace

TWAbout::TWAbout(QWidget* parent) : QDialog(parent), m_ui(std::make_unique<Ui::TWAbout>())
{
    m_ui->setupUi(this);
    // The form's caption holds the version as the designer saw it; the one the
    // build was given is what the executable's version resource says too.
    m_ui->LName->setText(QStringLiteral("%1 %2").arg(QString::fromUtf8(version::ProductName),
                                                     QString::fromUtf8(version::Text)));
    // A dialog border: a title with a close box, no minimise or maximise box.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint
                   | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint
                   | Qt::MSWindowsFixedSizeDialogHint);
    fitToFont();

    connect(m_ui->Button1, &QPushButton::clicked, this, &QDialog::accept);
    for (QLabel* link : {m_ui->LURL, m_ui->LMail})
        link->installEventFilter(this);
}

TWAbout::~TWAbout() = default;

QWidget* TWAbout::mainWindow() const
{
    return m_mainWindow ? m_mainWindow.data() : parentWidget();
}

// The form was laid out for a narrow 8-point font. Where the platform's font
// is wider (DejaVu Sans standing in for MS Sans Serif), the captions would run
// into the links and the links past the edge; so the labels take the width of
// their text, as the designed labels did, and the link column and the window
// give way only as far as they must. With the designed font nothing moves.
void TWAbout::fitToFont()
{
    for (QLabel* label : {m_ui->LName, m_ui->Label1, m_ui->LURL, m_ui->Label2, m_ui->LMail})
        label->resize(label->sizeHint().width(), label->height());

    const int captionsEnd = std::max(m_ui->Label1->geometry().right(), m_ui->Label2->geometry().right());
    const int linkLeft = std::max(m_ui->LURL->x(), captionsEnd + 1 + CaptionGap);
    m_ui->LURL->move(linkLeft, m_ui->LURL->y());
    m_ui->LMail->move(linkLeft, m_ui->LMail->y());

    int width = DesignedWidth;
    for (QLabel* label : {m_ui->LName, m_ui->LURL, m_ui->LMail})
        width = std::max(width, label->geometry().right() + 1 + RightMargin);
    m_ui->Button1->move(m_ui->Button1->x() + (width - DesignedWidth) / 2, m_ui->Button1->y());
    setFixedSize(width, DesignedHeight);
}

QString TWAbout::siteTarget() const
{
    const QString address = m_ui->LURL->text();
    const QString host = QUrl(address).host();
    return host.isEmpty() ? address : host;
}

QString TWAbout::mailTarget() const { return QStringLiteral("mailto:") + m_ui->LMail->text(); }

void TWAbout::showEvent(QShowEvent* event)
{
    // Before the window is mapped, so that it appears in its place.
    if (!event->spontaneous())
        messages::runEntryPoint([this] { FormShow(); });
    QDialog::showEvent(event);
}

bool TWAbout::eventFilter(QObject* watched, QEvent* event)
{
    switch (event->type()) {
    case QEvent::MouseMove: LURLMouseMove(watched); break;
    case QEvent::Leave: LMailMouseLeave(watched); break;
    // A double click brings a second press of its own.
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
        if (watched == m_ui->LURL)
            messages::runEntryPoint([this] { LURLMouseDown(); }, ignoreFailure);
        else if (watched == m_ui->LMail)
            messages::runEntryPoint([this] { LMailMouseDown(); }, ignoreFailure);
        break;
    default: break;
    }
    return QDialog::eventFilter(watched, event);
}

void TWAbout::FormShow()
{
    const QWidget* owner = mainWindow();
    if (!owner)
        return;
    // Outer sizes on both sides: the frames count.
    move(centredOver(owner->frameGeometry(), frameGeometry().size()));
}

void TWAbout::setLinkColor(QObject* label, uint32_t color)
{
    auto* widget = qobject_cast<QWidget*>(label);
    if (!widget)
        return;
    QPalette palette = widget->palette();
    palette.setColor(QPalette::WindowText, fromColorRef(color));
    widget->setPalette(palette);
}

void TWAbout::LURLMouseMove(QObject* Sender) { setLinkColor(Sender, Blue); }

void TWAbout::LMailMouseLeave(QObject* Sender) { setLinkColor(Sender, Black); }

// The desktop's verdict is neither waited for nor looked at; a failure is
// dropped by the click's entry point (ignoreFailure).
void TWAbout::LURLMouseDown() { os::openWithDesktop(siteTarget(), os::OpenWait::No); }

void TWAbout::LMailMouseDown() { os::openWithDesktop(mailTarget(), os::OpenWait::No); }
