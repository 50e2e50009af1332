#pragma once
#include "components/Dialogs.h"

class QWidget;

namespace ink {

// The real dialogs: Qt's message boxes, input box and open-file dialog.
class QtDialogs : public Dialogs {
public:
    explicit QtDialogs(QWidget* parent = nullptr) : parent_(parent) {}
    void setParentWidget(QWidget* parent) { parent_ = parent; }

    std::optional<QString> openFile(const OpenFileRequest& request) override;
    std::optional<QString> inputBox(const QString& caption, const QString& prompt,
                                    const QString& initialText) override;
    void warning(const QString& text) override;
    void error(const QString& text) override;
    void information(const QString& caption, const QString& text) override;
    void generalError(const QString& text) override;
    bool confirm(const QString& text) override;
    std::optional<ServerLogin>
    serverLogin(const ServerLogin& initial,
                const std::function<QString(const ServerLogin&)>& test) override;
    std::optional<QString> passwordBox(const QString& caption, const QString& prompt) override;
    std::optional<RowVersion> chooseRowVersion(const QString& theirs, const QString& mine) override;
    std::optional<DocumentOptions> documentOptions(const QString& documentName,
                                                   const DocumentOptions& initial,
                                                   const QStringList& configurations) override;

private:
    QWidget* parent_;
};

} // namespace ink
