#pragma once

#include <QDialog>
#include <QPointer>

#include <cstdint>
#include <memory>

class QLabel;

namespace Ui {
class TWAbout;
}

// The About box: the program's name and version and two links, the
// developer's web site and the support mail address. Pointing at a link
// turns it blue, leaving it turns it black, and pressing any mouse button on
// it hands its address to the desktop. Every show centres it over the main
// window.
class TWAbout : public QDialog {
    Q_OBJECT
public:
    explicit TWAbout(QWidget* parent = nullptr);
    ~TWAbout() override;

    // The window to centre over; the parent until one is set.
    void setMainWindow(QWidget* window) { m_mainWindow = window; }
    QWidget* mainWindow() const;

    Ui::TWAbout& ui() const { return *m_ui; }

    // What the two links hand to the desktop: the site's host name without a
    // scheme, and "mailto:" with the mail address.
    QString siteTarget() const;
    QString mailTarget() const;

    // Event handlers, named after the component and the event. The window's
    // events run them through the program's entry point; the link presses
    // with a failure handler that drops whatever the desktop does.
    void FormShow();
    void LURLMouseMove(QObject* Sender);
    void LMailMouseLeave(QObject* Sender);
    void LURLMouseDown();
    void LMailMouseDown();

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void fitToFont();
    void setLinkColor(QObject* label, uint32_t color);

    std::unique_ptr<Ui::TWAbout> m_ui;
    QPointer<QWidget> m_mainWindow;
};

// The process-wide About box, created at start-up.
extern TWAbout* WAbout;
