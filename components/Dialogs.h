#pragma once
#include <functional>
#include <optional>
#include <QString>
#include <QStringList>

namespace ink {

// Every modal question the commands ask goes through this interface: the
// window answers with real Qt dialogs, tests answer from a script.
class Dialogs {
public:
    virtual ~Dialogs() = default;

    struct OpenFileRequest {
        QString title;
        QStringList filters; // "Delphi Projects (*.dpr)", ... the first selected
        QString initialFile; // offered again: the file chosen the previous time
    };
    // The chosen file's full path, or nothing when cancelled.
    virtual std::optional<QString> openFile(const OpenFileRequest& request) = 0;

    // A one-line field of at most 255 characters, "OK" and "Cancel". The
    // initial text starts selected. Nothing when cancelled.
    virtual std::optional<QString> inputBox(const QString& caption, const QString& prompt,
                                            const QString& initialText) = 0;

    virtual void warning(const QString& text) = 0; // caption "Warning"
    virtual void error(const QString& text) = 0;   // caption "Error"
    virtual void information(const QString& caption, const QString& text) = 0;
    // The general error box: caption "Inkwright", error icon, "OK".
    virtual void generalError(const QString& text) = 0;
    // "Confirm", question icon, "OK" / "Cancel"; true for OK.
    virtual bool confirm(const QString& text) = 0;

    // Where a shared store lives on a database server.
    struct ServerLogin {
        QString server; // host name, address, or the folder of a Unix socket
        int port = 5432;
        QString database;
        QString user;
    };
    // "Connect to Shared Database": the server, port, database and user,
    // filled with `initial`, with a "Test" button that runs `test` on what
    // is typed and shows the text it returns. The login on "OK", nothing on
    // "Cancel".
    virtual std::optional<ServerLogin>
    serverLogin(const ServerLogin& initial,
                const std::function<QString(const ServerLogin&)>& test) = 0;

    // A password field that does not echo, "OK" and "Cancel". Nothing when
    // cancelled.
    virtual std::optional<QString> passwordBox(const QString& caption, const QString& prompt) = 0;

    // Another user changed the row being edited: both versions side by side,
    // and which one to keep. Nothing when the user leaves the choice for later.
    enum class RowVersion { Theirs, Mine };
    virtual std::optional<RowVersion> chooseRowVersion(const QString& theirs,
                                                       const QString& mine) = 0;

    // What "Document Options" sets for one document.
    struct DocumentOptions {
        // The build configuration its conditional code is read with; empty
        // for every branch read, the first of two declarations kept.
        QString configuration;
        // Which members of types its reports show, by visibility: words of
        // "public", "published", "protected", "private"; at least one.
        QStringList visibilities = {};
        // Whether its reports list the event handlers of form classes.
        bool eventHandlers = false;
    };
    // "Document Options": filled with `initial`, the configuration chosen
    // among `configurations` or typed, the visibilities ticked and the
    // event handlers' box. The options on "OK", nothing on "Cancel".
    virtual std::optional<DocumentOptions> documentOptions(const QString& documentName,
                                                           const DocumentOptions& initial,
                                                           const QStringList& configurations) = 0;
};

// The text of the general error box: a full stop is added when the last
// character sorts after "." (letters, digits, a backslash, ...); a text that
// ends in ".", "!", a blank or a comma is shown as it is.
inline QString generalErrorText(const QString& message) {
    if (!message.isEmpty() && message.back() > QChar('.'))
        return message + QChar('.');
    return message;
}

} // namespace ink
