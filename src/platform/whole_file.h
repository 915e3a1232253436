#pragma once
// How the system writes its files in folders that others may write too (SysPath, RPT, TMP): a
// name there may be a symbolic link that someone planted to make a program overwrite another
// file, so no write ever goes through a link.
//
// WholeFile writes a file whole or not at all: the bytes go to a new file beside the name
// ("name.Ab12Cd", created exclusively), which is synced to the disk and renamed over the name
// with rename(2) on commit. rename replaces a link standing at the name, never the file it points
// to. A write or a flush that fails (a full disk, a file-size limit) is seen, the new file is
// removed and the name stays as it was; the cause is kept with the error number the system
// reports for it.
//
// The new file is held under an exclusive lock (flock) from its creation until it has been
// renamed: a program that finds such a file left behind (its writer was killed) may remove it only
// when it can take that lock (removeAbandoned), so no file still being written is ever taken.
//
// openAppending opens a file for appending (a log, a trace) and refuses a link at the name, a
// symbolic one (O_NOFOLLOW) or a hard one (a file that has other names): the open fails.

#include <QByteArray>
#include <QString>
#include <functional>

class QFile;

namespace klv {

// The error number the system reports for a failed file operation, from the system's error code
// (errno): 61 a full disk (or a file grown past the size it may have), 70 permission denied, 76 a
// missing folder, 75 any other access error (a link refused among them).
int fileErrorNumber(int errnoValue);

// Why a file could not be written: that number and the text the system shows for it.
struct WriteFailure {
    int number = 0;
    QString text;
};
// The failure of a file operation whose system error code is `errnoValue`: its number and the
// number's own text ("Disco lleno", "Permiso denegado", "No se encontró la ruta de acceso",
// "Error de acceso a la ruta o el archivo"), never the system's words.
WriteFailure fileError(int errnoValue);

class WholeFile {
public:
    explicit WholeFile(QString path);
    ~WholeFile();  // without commit() the new file is removed and the name is untouched
    WholeFile(const WholeFile&) = delete;
    WholeFile& operator=(const WholeFile&) = delete;

    // Creates the new file beside the name (with the permissions of a file standing at the name,
    // else those of a new file). False when it cannot be created: `why` then holds 75 and the
    // system's own description of the cause.
    bool open(WriteFailure* why = nullptr);
    bool isOpen() const { return fd_ >= 0; }
    // Writes every byte; false after a short or failed write (`why` then says why).
    bool write(const QByteArray& bytes, WriteFailure* why = nullptr);
    // Syncs the new file and renames it over the name. False when a byte could not be written (in
    // this or an earlier write) or the rename failed: the new file is removed, the name stays as
    // it was, and `why` holds the cause of the failure, never that of the removal that follows.
    // `synced`, when given, hears the bytes on the disk of the file's size as the sync goes, the
    // whole only once the file stands under its name: the file is then written out a few
    // megabytes at a time (the next part started while the one before is waited for) before the
    // one sync that ends it.
    bool commit(WriteFailure* why = nullptr, const std::function<void(qint64 done, qint64 size)>& synced = {});
    // Removes the new file; the name stays as it was.
    void cancel();

private:
    QString path_;
    QByteArray temp_;
    int fd_ = -1;
    WriteFailure failure_;  // of a write that failed
};

// Removes from `folder` the new files that writers killed half-way left behind: those whose name
// is a report file's followed by a writer's six characters ("00000042.PRN.Ab12Cd") and whose lock
// can be taken at once (no writer holds it). Returns how many went.
int removeAbandonedReports(const QString& folder);

// Opens `file` (its name) for writing at its end, creating it when missing. A link at the name,
// symbolic or hard, is refused (`why`: 75, as for any access error); a file the user may not write
// is refused (70) and left as it is. `fresh`: once opened, the file is emptied, so it begins again
// (the same file: its permissions stay). False with `why` set when the file cannot be opened.
bool openAppending(QFile& file, bool fresh, WriteFailure* why = nullptr);

}  // namespace klv
