// The main window's exchange with notation programs: File > Open Guitar Pro File... (and a
// .gp3/.gp4/.gp5 file dropped on the window) opens the song as a new, unsaved project, and File >
// Export MusicXML... writes the song as MusicXML.
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QMenu>
#include <QMimeData>
#include <QUrl>

#include "arrange/midi_export.h"
#include "base/debug_log.h"
#include "base/markup.h"
#include "base/message_service.h"
#include "exchange/gp_import.h"
#include "exchange/gp_reader.h"
#include "exchange/musicxml_export.h"
#include "main_form.h"
#include "model/datafile.h"
#include "model/riff_properties_form.h"
#include "widgets/tabcontrolsmart.h"

namespace zel {

namespace {

const QString GuitarProFilter =
    QStringLiteral("Guitar Pro Files (*.gp3 *.gp4 *.gp5);;All Files (*)");
const QString MusicXmlFilter =
    QStringLiteral("MusicXML (*.musicxml);;Compressed MusicXML (*.mxl);;All Files (*)");
// The debug log's colour of the import summary (0x00BBGGRR), the MIDI importer's.
constexpr uint32_t ImportDebugColour = 16512;

bool IsGuitarProFile(const QString& path) {
    QString suffix = QFileInfo(path).suffix().toLower();
    return suffix == QLatin1String("gp3") || suffix == QLatin1String("gp4") ||
           suffix == QLatin1String("gp5");
}

// The first local Guitar Pro file among the dragged URLs; empty when there is none.
QString DroppedGuitarProFile(const QMimeData* data) {
    if (!data || !data->hasUrls())
        return {};
    for (const QUrl& url : data->urls())
        if (url.isLocalFile() && IsGuitarProFile(url.toLocalFile()))
            return url.toLocalFile();
    return {};
}

} // namespace

void TMainForm::CreateGuitarProMenu(QMenu* file) {
    file->addAction(AddAction("mOpenGuitarPro", QStringLiteral("Open Guitar Pro File..."), {},
                              [this] { mOpenGuitarProClick(); }));
    file->addAction(AddAction("mExportMusicXML", QStringLiteral("Export MusicXML..."), {},
                              [this] { mExportMusicXmlClick(); }));
    setAcceptDrops(true);
}

void TMainForm::mOpenGuitarProClick() {
    m_riffProperties->hide();
    if (!ConfirmDiscard())
        return;
    QString folder = m_importFolder.isEmpty() && !m_projectPath.isEmpty()
                         ? QFileInfo(m_projectPath).absolutePath()
                         : m_importFolder;
    QString path = AskFile(false, QStringLiteral("Open Guitar Pro File"), GuitarProFilter, folder);
    if (path.isEmpty())
        return;
    m_importFolder = QFileInfo(path).absolutePath();
    OpenGuitarProFile(path);
}

bool TMainForm::OpenGuitarProFile(const QString& path) {
    // Nothing changes until the whole song has been read and mapped.
    gp::TGpReadResult read = gp::ReadGuitarProFile(path.toStdString());
    if (!read.Ok) {
        DisplayError("\\1\\bCannot Open Guitar Pro File\\b\\0\\N" +
                     MarkupLiteral(path.toStdString() + "\n" + read.Error));
        return false;
    }
    TProject fresh;
    gp::TGpImportSummary summary;
    std::string error;
    if (!gp::ImportGuitarProSong(read.Song, {}, fresh, summary, error)) {
        DisplayError("\\1\\bCannot Open Guitar Pro File\\b\\0\\N" +
                     MarkupLiteral(path.toStdString() + "\n" + error));
        return false;
    }
    m_document.AdoptUnsaved(fresh);
    // Never saved: the title shows the name Save will suggest, and Save asks where.
    QFileInfo info(path);
    QString untitled =
        info.absolutePath() + QLatin1Char('/') + info.completeBaseName() + QStringLiteral(".zvp");
    SetProjectPath(QString());
    m_untitledPath = untitled;
    setWindowTitle(QString::fromStdString(
        ProjectWindowTitle((info.completeBaseName() + QStringLiteral(".zvp")).toStdString())));
    m_tabs->Strip().SelectAndFill(0);
    ModelReplaced();

    DebugAdd("Open Guitar Pro File " + path.toStdString(), ImportDebugColour);
    std::vector<std::string> lines = summary.Lines();
    for (const std::string& line : lines)
        DebugAdd(line, ImportDebugColour);
    // What the project could not hold: the tracks left out and the approximations.
    std::string report;
    for (size_t i = 1; i < lines.size(); ++i)
        report += (report.empty() ? "" : "\n") + lines[i];
    if (!report.empty())
        DisplayMessage("\\bGuitar Pro File Opened\\b\\N" + MarkupLiteral(report));
    return true;
}

void TMainForm::dragEnterEvent(QDragEnterEvent* event) {
    if (!DroppedGuitarProFile(event->mimeData()).isEmpty())
        event->acceptProposedAction();
    else
        QMainWindow::dragEnterEvent(event);
}

void TMainForm::dropEvent(QDropEvent* event) {
    QString path = DroppedGuitarProFile(event->mimeData());
    if (path.isEmpty()) {
        QMainWindow::dropEvent(event);
        return;
    }
    event->acceptProposedAction();
    m_riffProperties->hide();
    if (ConfirmDiscard())
        OpenGuitarProFile(path);
}

void TMainForm::mExportMusicXmlClick() {
    QString base = m_projectPath.isEmpty() ? m_untitledPath : m_projectPath;
    QString suggested = base.isEmpty()
                            ? QStringLiteral("NewProject.musicxml")
                            : QFileInfo(base).path() + QLatin1Char('/') +
                                  QFileInfo(base).completeBaseName() + QStringLiteral(".musicxml");
    QString path = AskFile(true, QStringLiteral("Export MusicXML"), MusicXmlFilter, suggested);
    if (path.isEmpty())
        return;
    if (QFileInfo(path).suffix().isEmpty())
        path += QStringLiteral(".musicxml");
    TMusicXmlResult result = WriteMusicXml(m_project, {});
    if (!result.Error.empty()) {
        DisplayError(MarkupLiteral(result.Error));
        return;
    }
    if (QFileInfo(path).suffix().compare(QLatin1String("mxl"), Qt::CaseInsensitive) == 0) {
        result.Xml = MusicXmlToMxl(result.Xml);
        if (result.Xml.empty()) {
            DisplayError(MxlTooLarge);
            return;
        }
    }
    // Written beside the target and renamed over it: a failed export leaves what was there.
    if (!WriteBinaryFile(path.toStdString(), result.Xml))
        DisplayError("Failed to Save File\n" + MarkupLiteral(LastFileError()));
}

} // namespace zel
