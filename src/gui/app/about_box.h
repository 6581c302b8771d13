// The about box: the program's title, version and build, drawn by the program itself. At start
// it shows as a splash screen that closes by itself; Help > About shows it as a modal box.
#pragma once

#include <QDialog>
#include <QStringList>
#include <QTimer>

namespace zel {

// What the box says, one line each.
struct TAboutContent {
    QString Title;       // "Zelvane Editor"
    QString Version;     // "Version 0.1.0"
    QString Build;       // "Build 1a2b3c4, 2024-05-01": the commit and the day it was built
    QString Toolkit;     // "Qt 6.4.2", the version the program runs on
    QString Description; // what the program is
    QStringList Lines() const { return {Title, Version, Build, Toolkit, Description}; }
};
TAboutContent AboutContent();

// False when the command line asks for no about box at start ("-nosplash" or "-noabout").
bool StartSplashWanted(const QStringList& arguments);

class TAboutBox : public QDialog {
    Q_OBJECT
public:
    enum class TMode {
        Splash, // frameless, takes no focus; the first key or click anywhere closes it
        Dialog, // modal, with an OK button
    };
    static constexpr int SplashMs = 2000;

    explicit TAboutBox(TMode mode, QWidget* parent = nullptr);
    ~TAboutBox() override;

    TMode Mode() const { return m_mode; }
    const TAboutContent& Content() const { return m_content; }
    // A splash closes itself once this runs out.
    void StartCloseTimer(int ms);
    const QTimer& CloseTimer() const { return m_closeTimer; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    TMode m_mode;
    TAboutContent m_content;
    QTimer m_closeTimer;
};

} // namespace zel
