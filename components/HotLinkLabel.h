#pragma once
#include <array>
#include <functional>
#include <QColor>
#include <QLabel>
#include <QUrl>

namespace ink {

// A label that behaves like a hyperlink: underlined in a link colour, lit up
// (and nudged by a pixel) while the pointer is over it, and opening
// protocol + destination when clicked.
//
// The link is kept as two texts, a protocol prefix ("mailto:") and a
// destination without it, plus a link type naming the protocol. Writing any
// of the three keeps the other two in step (see the setters).
class THotLinkLabel : public QLabel {
    Q_OBJECT
    // Stored with a layout and applied in this order on loading.
    Q_PROPERTY(TLinkType LinkType READ linkType WRITE setLinkType)
    Q_PROPERTY(QString LinkProtocol READ linkProtocol WRITE setLinkProtocol)
    Q_PROPERTY(QString LinkDestination READ linkDestination WRITE setLinkDestination)
    Q_PROPERTY(QColor LinkColor READ linkColor WRITE setLinkColor)
    Q_PROPERTY(QColor LinkColorMouseMove READ linkColorMouseMove WRITE setLinkColorMouseMove)
    Q_PROPERTY(bool LinkMagnet READ linkMagnet WRITE setLinkMagnet)
    Q_PROPERTY(bool LinkSound READ linkSound WRITE setLinkSound)

public:
    enum TLinkType : quint8 {
        ltHTTP,
        ltMAILTO,
        ltFTP,
        ltHTTPS,
        ltNews,
        ltTELNET,
        ltWAIS,
        ltGOPHER,
        ltFILE,
        ltCUSTOM, // the protocol is whatever LinkProtocol holds
        ltNone    // no link
    };
    Q_ENUM(TLinkType)

    // The protocol prefix of each link type; ltCUSTOM and ltNone have none.
    static constexpr std::array<const char*, 11> LinkProtocols{
        "http://", "mailto:", "ftp://",  "https://", "news:", "telnet:",
        "wais:",   "gopher:", "file://", "",         ""};

    // Opens a link. The default asks the desktop (QDesktopServices); tests
    // replace it. An empty opener restores the default. Returns the previous one.
    using UrlOpener = std::function<void(const QUrl&)>;
    static UrlOpener setUrlOpener(UrlOpener opener);

    explicit THotLinkLabel(QWidget* parent = nullptr);

    TLinkType linkType() const { return linkType_; }
    QString linkProtocol() const { return linkProtocol_; }
    QString linkDestination() const { return linkDestination_; }
    QColor linkColor() const { return linkColor_; }
    QColor linkColorMouseMove() const { return linkColorMouseMove_; }
    bool linkMagnet() const { return linkMagnet_; }
    bool linkSound() const { return linkSound_; }

    void setLinkType(TLinkType type);
    void setLinkProtocol(const QString& protocol);
    void setLinkDestination(const QString& destination);
    void setLinkColor(const QColor& color);
    void setLinkColorMouseMove(const QColor& color) { linkColorMouseMove_ = color; }
    void setLinkMagnet(bool magnet) { linkMagnet_ = magnet; }
    void setLinkSound(bool sound) { linkSound_ = sound; }

    // Does what a click on the label does: plays the click sound, opens the
    // link unless the type is ltNone, then emits clicked().
    void click();

signals:
    void clicked();

protected:
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    static TLinkType protocolToLinkType(const QString& protocol);
    void setFontColor(const QColor& color);

    TLinkType linkType_ = ltNone;
    QString linkProtocol_;
    QString linkDestination_;
    QColor linkColor_;
    QColor linkColorMouseMove_;
    bool linkMagnet_ = true;
    bool linkSound_ = true;
};

} // namespace ink
