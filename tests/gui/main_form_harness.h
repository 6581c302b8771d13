// What the main window's tests give the window instead of the program's own services: a sound
// device that plays nothing, a message service that answers in turn and records every message,
// file dialogs that answer in turn, and a settings file in a folder of its own.
#pragma once

#include <QAction>
#include <QApplication>
#include <QMouseEvent>
#include <QTest>
#include <QToolButton>
#include <filesystem>
#include <functional>
#include <memory>
#include <vector>

#include "app/main_form.h"
#include "main_form_support.h"
#include "test_support.h"
#include "widgets/tabcontrolsmart.h"

namespace zel::test {

class TMainFormHarness {
public:
    TTempDir Dir;
    TAnsweringMessages Messages;
    std::vector<QString> DialogAnswers; // what the file dialogs return, in turn
    std::unique_ptr<TMainForm> Form;

    TMainFormHarness() : m_install(Messages) {}
    ~TMainFormHarness() { Close(); }

    std::string Settings() const { return Dir.File("zelvane.ini"); }

    // A copy of the demo project in the test's folder.
    QString CopyDemo(const char* name) const {
        std::filesystem::copy_file(ZELVANE_DEMO_PROJECT, Dir.File(name));
        return QString::fromStdString(Dir.File(name));
    }
    // The window's action or toolbar button of that name; null when there is none.
    QAction* Action(const char* name) const {
        return Form->findChild<QAction*>(QString::fromLatin1(name));
    }
    QToolButton* Button(const char* name) const {
        return Form->findChild<QToolButton*>(QString::fromLatin1(name));
    }
    // The riff tabs' captions, the blank tab last.
    QStringList TabCaptions() const {
        QStringList captions;
        for (const auto& caption : Form->Project().RiffNames.All())
            captions << QString::fromStdString(caption);
        return captions;
    }

    // Starts a window on the settings file; `adjust` changes the setup before the window is
    // made. False when the window never showed.
    bool Start(QStringList arguments = {}, bool audio = true,
               const std::function<void(TMainFormSetup&)>& adjust = {}) {
        Close();
        // Recovery copies of the test's projects stay in the test's folder.
        qputenv("XDG_STATE_HOME", QByteArray::fromStdString(Dir.File("state")));
        TMainFormSetup setup;
        setup.SettingsPath = Settings();
        setup.Arguments = std::move(arguments);
        if (audio)
            setup.Audio = std::make_unique<TFakeOutput>();
        setup.FileDialog = AnsweringFileDialog(DialogAnswers);
        if (adjust)
            adjust(setup);
        Form = std::make_unique<TMainForm>(std::move(setup));
        Form->show();
        QApplication::setActiveWindow(Form.get());
        return QTest::qWaitForWindowExposed(Form.get());
    }

    // Closes the window without the save question; the settings are written.
    void Close() {
        if (!Form)
            return;
        Form->Document().MarkClean();
        Form->close();
        Form.reset();
    }

private:
    TScopedMessageService m_install;
};

// Drags tab `from` onto tab `to` with the mouse, as a user reorders tabs.
inline void DragTab(TTabControlSmart* tabs, int from, int to) {
    QPoint a = tabs->TabRect(from).center(), b = tabs->TabRect(to).center();
    QTest::mousePress(tabs, Qt::LeftButton, {}, a);
    QMouseEvent move(QEvent::MouseMove, QPointF(b), tabs->mapToGlobal(QPointF(b)), Qt::NoButton,
                     Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(tabs, &move);
    QTest::mouseRelease(tabs, Qt::LeftButton, {}, b);
}

} // namespace zel::test
