#pragma once
#include <array>
#include <QList>
#include <QObject>
#include <QString>
#include <QStringView>
#include <utility>

class QSystemTrayIcon;

namespace ink {

// A non-visual component that reads the version strings of the file named in
// FileName, and can show a notification-area icon (kept off in Inkwright).
// The properties are Qt properties in the order a form would store them.
class TFormMisc : public QObject {
    Q_OBJECT
    Q_PROPERTY(QString CompanyName READ companyName WRITE setCompanyName)
    Q_PROPERTY(QString FileDescription READ fileDescription WRITE setFileDescription)
    Q_PROPERTY(QString FileVersion READ fileVersion WRITE setFileVersion)
    Q_PROPERTY(QString InternalName READ internalName WRITE setInternalName)
    Q_PROPERTY(QString LegalCopyright READ legalCopyright WRITE setLegalCopyright)
    Q_PROPERTY(QString LegalTradeMark READ legalTradeMark WRITE setLegalTradeMark)
    Q_PROPERTY(QString OriginalFileName READ originalFileName WRITE setOriginalFileName)
    Q_PROPERTY(QString ProductName READ productName WRITE setProductName)
    Q_PROPERTY(QString ProductVersion READ productVersion WRITE setProductVersion)
    Q_PROPERTY(QString Comments READ comments WRITE setComments)
    Q_PROPERTY(QString ApplicationEXEName READ applicationEXEName WRITE setApplicationEXEName)
    Q_PROPERTY(QString TaskBarHint READ taskBarHint WRITE setTaskBarHint)
    Q_PROPERTY(bool ShowIconOnTaskBar READ showIconOnTaskBar WRITE setShowIconOnTaskBar)
    Q_PROPERTY(QString FileName READ fileName WRITE setFileName)

public:
    // Reads the running program's own version information and offers its
    // description as the icon's tip.
    explicit TFormMisc(QObject* owner = nullptr);

    QString companyName() const { return companyName_; }
    QString fileDescription() const { return fileDescription_; }
    QString fileVersion() const { return fileVersion_; }
    QString internalName() const { return internalName_; }
    QString legalCopyright() const { return legalCopyright_; }
    QString legalTradeMark() const { return legalTradeMark_; }
    QString originalFileName() const { return originalFileName_; }
    QString productName() const { return productName_; }
    QString productVersion() const { return productVersion_; }
    QString comments() const { return comments_; }
    QString applicationEXEName() const { return applicationEXEName_; }
    QString taskBarHint() const { return taskBarHint_; }
    bool showIconOnTaskBar() const { return showIconOnTaskBar_; }
    QString fileName() const { return fileName_; }

    void setCompanyName(const QString& value) { companyName_ = value; }
    void setFileDescription(const QString& value) { fileDescription_ = value; }
    void setFileVersion(const QString& value) { fileVersion_ = value; }
    void setInternalName(const QString& value) { internalName_ = value; }
    void setLegalCopyright(const QString& value) { legalCopyright_ = value; }
    void setLegalTradeMark(const QString& value) { legalTradeMark_ = value; }
    void setOriginalFileName(const QString& value) { originalFileName_ = value; }
    void setProductName(const QString& value) { productName_ = value; }
    void setProductVersion(const QString& value) { productVersion_ = value; }
    void setComments(const QString& value) { comments_ = value; }
    void setApplicationEXEName(const QString& value) { applicationEXEName_ = value; }
    void setTaskBarHint(const QString& value) { taskBarHint_ = value; }
    // Adds or removes the icon, then keeps the value.
    void setShowIconOnTaskBar(bool show);
    // Keeps the name, then reads that file's version information.
    void setFileName(const QString& value);

    // Fills ApplicationEXEName with FileName and the ten version properties
    // with the file's strings; what the file lacks becomes empty text.
    void ReadVersionInfo();

    void AddTaskBarIcon();
    void RemoveTaskBarIcon();

    // The ten version strings as (key in the version resource, value), in
    // the order they are read.
    QList<std::pair<QString, QString>> versionStrings() const;

private:
    // A key of the version resource and the property it fills.
    struct VersionKey {
        QStringView resourceKey;
        QString TFormMisc::*property;
    };
    static const std::array<VersionKey, 10>& versionKeys();

    QString companyName_;
    QString fileDescription_;
    QString fileVersion_;
    QString internalName_;
    QString legalCopyright_;
    QString legalTradeMark_;
    QString originalFileName_;
    QString productName_;
    QString productVersion_;
    QString comments_;
    QString applicationEXEName_;
    QString taskBarHint_;
    bool showIconOnTaskBar_ = false;
    QString fileName_;
    QSystemTrayIcon* trayIcon_ = nullptr;
};

} // namespace ink
