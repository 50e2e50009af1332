#include "FormMisc.h"

#include "VersionInfoBlock.h"

#include <QApplication>
#include <QSystemTrayIcon>

namespace ink {
namespace {

// The icon's tip held 64 characters with its terminator on the system we
// came from; longer hints are cut rather than refused.
constexpr qsizetype kTrayTipLength = 63;

} // namespace

// Looked up in this order. "LegalTradeMarks" is spelled as the system's own
// tools spell it; keys match without regard to case, so "LegalTrademarks"
// is found too.
const std::array<TFormMisc::VersionKey, 10>& TFormMisc::versionKeys() {
    static const std::array<VersionKey, 10> keys{{
        {u"CompanyName", &TFormMisc::companyName_},
        {u"FileDescription", &TFormMisc::fileDescription_},
        {u"FileVersion", &TFormMisc::fileVersion_},
        {u"InternalName", &TFormMisc::internalName_},
        {u"LegalCopyright", &TFormMisc::legalCopyright_},
        {u"LegalTradeMarks", &TFormMisc::legalTradeMark_},
        {u"OriginalFilename", &TFormMisc::originalFileName_},
        {u"ProductName", &TFormMisc::productName_},
        {u"ProductVersion", &TFormMisc::productVersion_},
        {u"Comments", &TFormMisc::comments_},
    }};
    return keys;
}

TFormMisc::TFormMisc(QObject* owner) : QObject(owner) {
    setFileName(QCoreApplication::applicationFilePath());
    taskBarHint_ = fileDescription_;
    if (showIconOnTaskBar_)
        AddTaskBarIcon();
}

void TFormMisc::setShowIconOnTaskBar(bool show) {
    if (show)
        AddTaskBarIcon();
    else
        RemoveTaskBarIcon();
    showIconOnTaskBar_ = show;
}

void TFormMisc::setFileName(const QString& value) {
    fileName_ = value;
    ReadVersionInfo();
}

void TFormMisc::ReadVersionInfo() {
    applicationEXEName_ = fileName_;
    const VersionInfoBlock info = VersionInfoBlock::ofFile(fileName_);
    const QString table = QStringLiteral("StringFileInfo\\%1\\").arg(info.stringTableToRead());
    for (const VersionKey& key : versionKeys())
        this->*key.property =
            info.queryText(table + key.resourceKey.toString()).value_or(QString());
}

// The icon needs the widgets application; without one (the command-line
// tool) there is nowhere to show it, and no tray (as on a headless machine)
// simply leaves it hidden.
void TFormMisc::AddTaskBarIcon() {
    if (!qobject_cast<QApplication*>(QCoreApplication::instance()))
        return;
    if (!trayIcon_)
        trayIcon_ = new QSystemTrayIcon(this);
    trayIcon_->setIcon(QApplication::windowIcon());
    trayIcon_->setToolTip(taskBarHint_.left(kTrayTipLength));
    if (QSystemTrayIcon::isSystemTrayAvailable())
        trayIcon_->show();
}

void TFormMisc::RemoveTaskBarIcon() {
    if (trayIcon_)
        trayIcon_->hide();
}

QList<std::pair<QString, QString>> TFormMisc::versionStrings() const {
    QList<std::pair<QString, QString>> strings;
    for (const VersionKey& key : versionKeys())
        strings.append({key.resourceKey.toString(), this->*key.property});
    return strings;
}

} // namespace ink
