#include "app/about_box.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>

#include "app/project_lifecycle.h"
#include "build_info.h"
#include "icons.h"
#include "riff_view_paint.h"

namespace zel {

namespace {

constexpr int BoxWidth = 400;
constexpr int PictureHeight = 200;
constexpr int ButtonBarHeight = 40;
constexpr int Margin = 20;
constexpr int IconSize = 64;
constexpr int TextLeft = Margin + IconSize + 20;

QFont AboutFont(int pixels, bool bold) {
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(pixels);
    font.setBold(bold);
    return font;
}

} // namespace

TAboutContent AboutContent() {
    TAboutContent content;
    content.Title = QString::fromLatin1(ApplicationTitle);
    content.Version = QStringLiteral("Version ") + QStringLiteral(ZELVANE_VERSION);
    content.Build =
        QStringLiteral("Build %1, %2")
            .arg(QStringLiteral(ZELVANE_GIT_COMMIT), QStringLiteral(ZELVANE_BUILD_DATE));
    content.Toolkit = QStringLiteral("Qt ") + QString::fromLatin1(qVersion());
    content.Description = QStringLiteral("Tablature editor with a built-in synthesizer for "
                                         "guitarists and bassists.");
    return content;
}

bool StartSplashWanted(const QStringList& arguments) {
    return !arguments.contains(QStringLiteral("-nosplash")) &&
           !arguments.contains(QStringLiteral("-noabout"));
}

TAboutBox::TAboutBox(TMode mode, QWidget* parent)
    : QDialog(parent), m_mode(mode), m_content(AboutContent()) {
    setObjectName(QStringLiteral("AboutBox"));
    setWindowTitle(QStringLiteral("About ") + m_content.Title);
    setAccessibleName(windowTitle());
    setAccessibleDescription(m_content.Lines().join(QLatin1Char('\n')));
    m_closeTimer.setSingleShot(true);
    connect(&m_closeTimer, &QTimer::timeout, this, &QWidget::close);

    if (mode == TMode::Splash) {
        setWindowFlags(Qt::SplashScreen | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                       Qt::WindowDoesNotAcceptFocus);
        // The editor keeps the keyboard: the first key closes the box and still does its work.
        setAttribute(Qt::WA_ShowWithoutActivating);
        setAttribute(Qt::WA_DeleteOnClose);
        setFocusPolicy(Qt::NoFocus);
        qApp->installEventFilter(this);
        setFixedSize(BoxWidth, PictureHeight);
    } else {
        setModal(true);
        auto* ok = new QPushButton(QStringLiteral("OK"), this);
        ok->setObjectName(QStringLiteral("bOK"));
        ok->setDefault(true);
        ok->setGeometry(BoxWidth - Margin - 80, PictureHeight + (ButtonBarHeight - 26) / 2, 80, 26);
        connect(ok, &QPushButton::clicked, this, &QDialog::accept);
        setFixedSize(BoxWidth, PictureHeight + ButtonBarHeight);
    }
}

TAboutBox::~TAboutBox() {
    if (qApp)
        qApp->removeEventFilter(this);
}

void TAboutBox::StartCloseTimer(int ms) {
    m_closeTimer.start(std::max(0, ms));
}

void TAboutBox::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::TextAntialiasing, true);
    QRect picture(0, 0, width(), PictureHeight);
    CanvasGradientFill(painter, picture, QColor(255, 255, 255), QColor(214, 224, 240));
    if (height() > PictureHeight)
        painter.fillRect(QRect(0, PictureHeight, width(), height() - PictureHeight),
                         palette().color(QPalette::Window));

    painter.drawImage(Margin, Margin + 4, ToolIconImage(TToolIcon::Application, IconSize));

    painter.setPen(QColor(0, 0, 128));
    painter.setFont(AboutFont(24, true));
    painter.drawText(QRect(TextLeft, Margin, width() - TextLeft - Margin, 32),
                     Qt::AlignLeft | Qt::AlignVCenter, m_content.Title);

    painter.setPen(QColor(0, 0, 0));
    painter.setFont(AboutFont(13, false));
    int y = Margin + 40;
    for (const QString& line : {m_content.Version, m_content.Build, m_content.Toolkit}) {
        painter.drawText(QRect(TextLeft, y, width() - TextLeft - Margin, 18),
                         Qt::AlignLeft | Qt::AlignVCenter, line);
        y += 18;
    }
    painter.setPen(QColor(64, 64, 64));
    painter.drawText(QRect(Margin, y + 24, width() - 2 * Margin, PictureHeight - y - 24 - 8),
                     Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, m_content.Description);

    // The splash has no frame of its own.
    painter.setPen(QColor(96, 112, 140));
    painter.setBrush(Qt::NoBrush);
    if (m_mode == TMode::Splash)
        painter.drawRect(rect().adjusted(0, 0, -1, -1));
    else
        painter.drawLine(0, PictureHeight, width(), PictureHeight);
}

void TAboutBox::keyPressEvent(QKeyEvent* event) {
    if (m_mode == TMode::Splash) {
        close();
        return;
    }
    QDialog::keyPressEvent(event);
}

void TAboutBox::mousePressEvent(QMouseEvent* event) {
    if (m_mode == TMode::Splash) {
        close();
        return;
    }
    QDialog::mousePressEvent(event);
}

bool TAboutBox::eventFilter(QObject* watched, QEvent* event) {
    // While the splash shows, the first key or click anywhere in the program closes it. A click
    // on the splash ends there; anything else goes on to where it was meant to go.
    if (m_mode == TMode::Splash &&
        (event->type() == QEvent::KeyPress || event->type() == QEvent::MouseButtonPress)) {
        qApp->removeEventFilter(this);
        close();
        return watched == this;
    }
    return QDialog::eventFilter(watched, event);
}

} // namespace zel
