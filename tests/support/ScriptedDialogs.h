#pragma once
#include <deque>
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
                      // "confirm"
        QString caption;
        QString text;
        QString initial;
    };

    std::deque<std::optional<QString>> files;  // next openFile answers (nullopt = cancel)
    std::deque<std::optional<QString>> inputs; // next inputBox answers (nullopt = cancel)
    std::deque<bool> confirmations;            // next confirm answers
    QList<Shown> shown;
    QList<OpenFileRequest> fileRequests;

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

    // Every message box shown so far, as "kind: text" (file and name
    // dialogs left out), for a test that expects none or a few.
    QStringList messages() const {
        QStringList result;
        for (const Shown& s : shown)
            if (s.kind != "openFile" && s.kind != "inputBox")
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
