#pragma once

#include <QString>

namespace vesk {

// An error of the file system, of starting a program or of opening the port. `what` is a
// short Japanese description for the user, `path` the DOS path or device concerned. A
// default-constructed Error means success, so `if (Error e = fs.remove(x))` reads naturally.
struct Error
{
    QString what;
    QString path;
    QString reason; // the host's own wording (strerror, QFile::errorString), may be empty

    explicit operator bool() const { return !what.isEmpty(); }
    // The text of the message box: description, then the path, then the host's reason.
    QString message() const;
};

Error makeError(const QString &what, const QString &path, const QString &reason = {});

// The descriptions, one wording each, wherever the error arises.
inline const QString kDriveNotFound = QStringLiteral("ドライブが見つかりません。");
inline const QString kFolderNotFound = QStringLiteral("フォルダが見つかりません。");
inline const QString kFileNotFound = QStringLiteral("ファイルが見つかりません。");
inline const QString kCannotOpenFile = QStringLiteral("ファイルを開けません。");
inline const QString kCannotReadFile = QStringLiteral("ファイルを読めません。");
inline const QString kCannotCreateFile = QStringLiteral("ファイルを作成できません。");
inline const QString kCannotWriteFile = QStringLiteral("ファイルに書き込めません。");
inline const QString kCannotCopyFile = QStringLiteral("ファイルをコピーできません。");
inline const QString kCannotRemoveFile = QStringLiteral("ファイルを削除できません。");
inline const QString kProgramNotFound = QStringLiteral("プログラムが見つかりません。");
inline const QString kCannotStartProgram = QStringLiteral("プログラムを起動できません。");

} // namespace vesk
