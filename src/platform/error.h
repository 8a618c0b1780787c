#pragma once

#include <QString>

namespace vesk {

// An error of the file system, of starting a program, of the port or of input the operation
// refuses. `what` is a short Japanese description for the user, `path` the DOS path or device
// concerned. A default-constructed Error means success, so `if (Error e = fs.remove(x))`
// reads naturally. Code tells errors apart by `kind`, never by their text.
struct [[nodiscard]] Error
{
    enum class Kind {
        None,
        NotFound,    // no such file, folder, drive, program or device
        CannotRead,  // it is there but cannot be opened or read
        CannotWrite, // cannot be created, written, copied over or removed
        CannotStart, // a program that was found but could not be started
        CannotOpen,  // a device that is there but cannot be opened
        Refused,     // input the operation does not take (a name, a size, a settings file)
        Failed,      // an operation that began and broke off (the line, a time limit)
    };

    Kind kind = Kind::None;
    QString what;
    QString path;
    QString reason; // the host's own wording (strerror, QFile::errorString), may be empty

    explicit operator bool() const { return kind != Kind::None; }
    // The text of the message box: description, then the path, then the host's reason.
    QString message() const;
};

// A description with the kind it stands for.
struct ErrorText
{
    Error::Kind kind;
    QString what;
};

Error makeError(const ErrorText &text, const QString &path, const QString &reason = {});
Error makeError(Error::Kind kind, const QString &what, const QString &path,
                const QString &reason = {});

// The descriptions, one wording each, wherever the error arises.
inline const ErrorText kDriveNotFound{Error::Kind::NotFound,
                                      QStringLiteral("ドライブが見つかりません。")};
inline const ErrorText kFolderNotFound{Error::Kind::NotFound,
                                       QStringLiteral("フォルダが見つかりません。")};
inline const ErrorText kFileNotFound{Error::Kind::NotFound,
                                     QStringLiteral("ファイルが見つかりません。")};
inline const ErrorText kCannotOpenFile{Error::Kind::CannotRead,
                                       QStringLiteral("ファイルを開けません。")};
inline const ErrorText kCannotReadFile{Error::Kind::CannotRead,
                                       QStringLiteral("ファイルを読めません。")};
inline const ErrorText kCannotCreateFile{Error::Kind::CannotWrite,
                                         QStringLiteral("ファイルを作成できません。")};
inline const ErrorText kCannotWriteFile{Error::Kind::CannotWrite,
                                        QStringLiteral("ファイルに書き込めません。")};
inline const ErrorText kCannotCopyFile{Error::Kind::CannotWrite,
                                       QStringLiteral("ファイルをコピーできません。")};
inline const ErrorText kCannotRemoveFile{Error::Kind::CannotWrite,
                                         QStringLiteral("ファイルを削除できません。")};
inline const ErrorText kProgramNotFound{Error::Kind::NotFound,
                                        QStringLiteral("プログラムが見つかりません。")};
inline const ErrorText kCannotStartProgram{Error::Kind::CannotStart,
                                           QStringLiteral("プログラムを起動できません。")};

} // namespace vesk
