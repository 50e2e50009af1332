#pragma once
#include <deque>
#include <functional>
#include <QList>
#include <QString>
#include <stdexcept>

#include "components/Dialogs.h"
#include "PrintQt.h"

// Answers the program's dialogs from a script ("the next file is X, the next
// answer is Cancel") and records every box shown, so a test can check them.
class ScriptedDialogs : public ink::Dialogs {
public:
    struct Shown {
        QString kind; // "openFile", "inputBox", "warning", "error", "information", "generalError",
                      // "confirm", "serverLogin", "serverTest" (what "Test" said), "passwordBox",
                      // "chooseRowVersion" (text: theirs, initial: mine),
                      // "documentOptions" (text: the document, initial: its configuration)
        QString caption;
        QString text;
        QString initial;
    };

    std::deque<std::optional<QString>> files;  // next openFile answers (nullopt = cancel)
    std::deque<std::optional<QString>> inputs; // next inputBox answers (nullopt = cancel)
    std::deque<bool> confirmations;            // next confirm answers
    QList<Shown> shown;
    QList<OpenFileRequest> fileRequests;

    // The next "Connect to Shared Database" answers: "Test" is pressed
    // `tests` times on `login` (or on what the dialog offered, when there
    // is none), then OK with `login`, or Cancel when `ok` is false or there
    // is no login.
    struct LoginAnswer {
        std::optional<ServerLogin> login;
        int tests = 0;
        bool ok = true;
    };
    std::deque<LoginAnswer> logins;
    QList<ServerLogin> loginsOffered;                  // what each dialog showed first
    std::deque<std::optional<QString>> passwords;      // next passwordBox answers
    std::deque<std::optional<RowVersion>> rowVersions; // next chooseRowVersion answers
    // Next documentOptions answers, and the configurations and the options
    // each dialog offered.
    std::deque<std::optional<DocumentOptions>> documentOptionAnswers;
    QList<QStringList> configurationsOffered;
    QList<DocumentOptions> documentOptionsOffered;
    // Runs while the version box is open, as the events a real box lets through.
    std::function<void()> whileChoosing;

    std::optional<QString> openFile(const OpenFileRequest& request) override {
        fileRequests.append(request);
        shown.append({"openFile", request.title, {}, request.initialFile});
        return next(files, "openFile");
    }
    std::optional<QString> inputBox(const QString& caption, const QString& prompt,
                                    const QString& initialText) override {
        shown.append({"inputBox", caption, prompt, initialText});
        return next(inputs, "inputBox");
    }
    void warning(const QString& text) override { shown.append({"warning", "Warning", text, {}}); }
    void error(const QString& text) override { shown.append({"error", "Error", text, {}}); }
    void information(const QString& caption, const QString& text) override {
        shown.append({"information", caption, text, {}});
    }
    void generalError(const QString& text) override {
        shown.append({"generalError", "Inkwright", text, {}});
    }
    bool confirm(const QString& text) override {
        shown.append({"confirm", "Confirm", text, {}});
        if (confirmations.empty())
            throw std::logic_error("unexpected confirmation: " + text.toStdString());
        bool answer = confirmations.front();
        confirmations.pop_front();
        return answer;
    }

    std::optional<ServerLogin>
    serverLogin(const ServerLogin& initial,
                const std::function<QString(const ServerLogin&)>& test) override {
        shown.append({"serverLogin", "Connect to Shared Database", {}, {}});
        loginsOffered.append(initial);
        const LoginAnswer answer = next(logins, "serverLogin");
        for (int i = 0; i < answer.tests; ++i)
            shown.append({"serverTest", "Test", test(answer.login.value_or(initial)), {}});
        return answer.ok ? answer.login : std::nullopt;
    }
    std::optional<QString> passwordBox(const QString& caption, const QString& prompt) override {
        shown.append({"passwordBox", caption, prompt, {}});
        return next(passwords, "passwordBox");
    }
    std::optional<RowVersion> chooseRowVersion(const QString& theirs,
                                               const QString& mine) override {
        shown.append({"chooseRowVersion", "Refresh Row", theirs, mine});
        if (whileChoosing)
            whileChoosing();
        return next(rowVersions, "chooseRowVersion");
    }

    std::optional<DocumentOptions> documentOptions(const QString& documentName,
                                                   const DocumentOptions& initial,
                                                   const QStringList& configurations) override {
        shown.append({"documentOptions", "Document Options", documentName, initial.configuration});
        configurationsOffered.append(configurations);
        documentOptionsOffered.append(initial);
        return next(documentOptionAnswers, "documentOptions");
    }

    // Every message box shown so far, as "kind: text" (file and name
    // dialogs left out), for a test that expects none or a few.
    QStringList messages() const {
        QStringList result;
        for (const Shown& s : shown)
            if (s.kind != "openFile" && s.kind != "inputBox" && s.kind != "serverLogin" &&
                s.kind != "passwordBox" && s.kind != "documentOptions")
                result.append(s.kind + ": " + s.text);
        return result;
    }

    QStringList texts(const QString& kind) const {
        QStringList result;
        for (const Shown& s : shown)
            if (s.kind == kind)
                result.append(s.text);
        return result;
    }

private:
    template <typename Queue>
    static typename Queue::value_type next(Queue& queue, const char* what) {
        if (queue.empty())
            throw std::logic_error(std::string("unexpected dialog: ") + what);
        auto answer = queue.front();
        queue.pop_front();
        return answer;
    }
};
