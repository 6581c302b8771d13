// TMainForm: where "Export WAV..." and "Export Audio..." write the rendered song, and the
// encoding of compressed files on a worker thread while the window stays drawn.
#include <QEventLoop>
#include <QFileInfo>
#include <QProgressDialog>
#include <thread>

#include "base/message_service.h"
#include "main_form.h"
#include "model/datafile.h"
#include "options_form.h"
#include "sound/audio_file.h"
#include "sound/playbuffer.h"

namespace zel {
namespace {

const QString WaveFilter = QStringLiteral("Wave File (*.wav);;All Files (*)");
// The first four filters are in the order of their extensions below.
const QString AudioFilters[] = {
    QStringLiteral("FLAC File (*.flac)"), QStringLiteral("Ogg Vorbis File (*.ogg)"),
    QStringLiteral("Opus File (*.opus)"), QStringLiteral("MP3 File (*.mp3)"),
    QStringLiteral("Wave File (*.wav)")};
const TAudioFormat FilterFormats[] = {TAudioFormat::Flac, TAudioFormat::Vorbis, TAudioFormat::Opus,
                                      TAudioFormat::Mp3, TAudioFormat::Wav};
constexpr const char* ExportAudioFormatKey = "ExportAudioFormat";

} // namespace

QString TMainForm::AskExportPath(bool anyFormat) {
    int last = std::clamp(m_settings.INIReadNum(ExportAudioFormatKey, 0), 0, 4);
    TAudioFormat format = anyFormat ? FilterFormats[last] : TAudioFormat::Wav;
    QString extension = QString::fromLatin1(AudioFormatExtension(format));
    QString suggested = m_projectPath.isEmpty()
                            ? QStringLiteral("NewProject") + extension
                            : QFileInfo(m_projectPath).path() + QLatin1Char('/') +
                                  QFileInfo(m_projectPath).completeBaseName() + extension;
    QStringList filters(std::begin(AudioFilters), std::end(AudioFilters));
    QString chosen = anyFormat ? AudioFilters[last] : QString();
    QString path =
        anyFormat ? AskFile(true, QStringLiteral("Export Audio"),
                            filters.join(QStringLiteral(";;")), suggested, &chosen)
                  : AskFile(true, QStringLiteral("Export Project Result"), WaveFilter, suggested);
    if (path.isEmpty())
        return path;
    if (!anyFormat) {
        if (QFileInfo(path).suffix().isEmpty())
            path += QStringLiteral(".wav");
        return path;
    }
    // A name without a known extension gets the one of the filter chosen.
    if (!AudioFormatForPath(path.toStdString())) {
        int index = int(filters.indexOf(chosen));
        if (index >= 0)
            format = FilterFormats[index];
        path += QString::fromLatin1(AudioFormatExtension(format));
    }
    format = *AudioFormatForPath(path.toStdString());
    int remembered = int(std::find(std::begin(FilterFormats), std::end(FilterFormats), format) -
                         std::begin(FilterFormats));
    m_settings.INIWriteNum(ExportAudioFormatKey, remembered);
    return path;
}

std::unique_ptr<TWavFollower> TMainForm::StartWavExport(const QString& path,
                                                        const TSharedBuffer& buffer) {
    if (AudioFormatForPath(path.toStdString()).value_or(TAudioFormat::Wav) != TAudioFormat::Wav)
        return nullptr;
    auto file = TDataFile::OpenForWriting(path.toStdString());
    return file ? std::make_unique<TWavFollower>(std::move(file), buffer) : nullptr;
}

void TMainForm::WriteExport(const QString& path, const TSharedBuffer& buffer,
                            std::unique_ptr<TWavFollower> wav) {
    if (wav) {
        if (!wav->Finish())
            DisplayError("Failed to Save File\n" + LastFileError());
        return;
    }
    // "Export WAV..." writes WAV whatever the name; "Export Audio..." names have a known
    // extension by now.
    TAudioFormat format = AudioFormatForPath(path.toStdString()).value_or(TAudioFormat::Wav);
    auto file = TDataFile::OpenForWriting(path.toStdString());
    if (!file) {
        DisplayError("Failed to Save File\n" + LastFileError());
        return;
    }
    if (format == TAudioFormat::Wav) {
        if (!WriteWavFile(*file, buffer->Samples()))
            DisplayError("Failed to Save File\n" + LastFileError());
        return;
    }
    // Encoding a long song takes seconds: a worker does it while a modal box keeps the
    // windows drawn and the user's clicks out of the half-done export.
    QProgressDialog box(QStringLiteral("Encoding %1...").arg(QFileInfo(path).fileName()), QString(),
                        0, 0, this);
    box.setObjectName(QStringLiteral("EncodeProgress"));
    box.setWindowTitle(QStringLiteral("Export Audio"));
    box.setWindowModality(Qt::ApplicationModal);
    box.setMinimumDuration(0);
    std::string bytes, error;
    bool encoded = false;
    QEventLoop loop;
    int quality = m_optionsForm->AudioQuality();
    std::thread worker([&] {
        encoded = EncodeAudio(format, buffer->Samples(), quality, bytes, error);
        QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
    });
    box.show();
    loop.exec(QEventLoop::ExcludeUserInputEvents);
    worker.join();
    box.hide();
    if (!encoded) {
        DisplayError("Failed to Save File\n" + error);
        return;
    }
    file->WriteBytes(bytes);
    if (!file->Commit())
        DisplayError("Failed to Save File\n" + LastFileError());
}

} // namespace zel
