#include "HotLinkLabel.h"

#include "EventSound.h"

#include <QDesktopServices>
#include <QEnterEvent>
#include <QLocale>
#include <QMouseEvent>

namespace ink {

namespace {

const QColor kDefaultLinkColor(0, 0, 255);
const QColor kDefaultHoverColor(255, 0, 0);
const char* const kDefaultDestination = "mailto:docs@inkwright.example";
const char* const kDefaultCaption = "Send a mail to the Inkwright team";

// Only these types carry a prefix of their own; they are tried in this order.
constexpr THotLinkLabel::TLinkType kPrefixedTypes[] = {
    THotLinkLabel::ltHTTP,  THotLinkLabel::ltMAILTO, THotLinkLabel::ltFTP,
    THotLinkLabel::ltHTTPS, THotLinkLabel::ltNews,   THotLinkLabel::ltTELNET,
    THotLinkLabel::ltWAIS,  THotLinkLabel::ltGOPHER, THotLinkLabel::ltFILE};

QString prefixOf(THotLinkLabel::TLinkType type) {
    return QString::fromLatin1(THotLinkLabel::LinkProtocols[type]);
}

bool hasOwnPrefix(THotLinkLabel::TLinkType type) {
    return type <= THotLinkLabel::ltFILE;
}

THotLinkLabel::UrlOpener& urlOpener() {
    static THotLinkLabel::UrlOpener opener;
    return opener;
}

void openUrl(const QUrl& url) {
    if (const THotLinkLabel::UrlOpener& opener = urlOpener())
        opener(url);
    else
        QDesktopServices::openUrl(url);
}

} // namespace

THotLinkLabel::UrlOpener THotLinkLabel::setUrlOpener(UrlOpener opener) {
    UrlOpener previous = std::move(urlOpener());
    urlOpener() = std::move(opener);
    return previous;
}

THotLinkLabel::THotLinkLabel(QWidget* parent) : QLabel(parent) {
    setFontColor(kDefaultLinkColor);
    QFont underlined = font();
    underlined.setUnderline(true);
    setFont(underlined);
    setLinkDestination(QString::fromLatin1(kDefaultDestination));
    linkColor_ = kDefaultLinkColor;
    linkColorMouseMove_ = kDefaultHoverColor;
    setText(tr(kDefaultCaption));
    setCursor(Qt::PointingHandCursor);
}

// A new type brings its own prefix along; ltNone drops the whole link and
// ltCUSTOM keeps whatever protocol and destination are there.
void THotLinkLabel::setLinkType(TLinkType type) {
    if (type == linkType_)
        return;
    linkType_ = type;
    if (hasOwnPrefix(type)) {
        linkProtocol_ = prefixOf(type);
    } else if (type == ltNone) {
        linkProtocol_.clear();
        linkDestination_.clear();
    }
}

// The type follows the protocol; the destination is left alone.
void THotLinkLabel::setLinkProtocol(const QString& protocol) {
    if (protocol == linkProtocol_)
        return;
    linkProtocol_ = QLocale().toLower(protocol);
    linkType_ = protocolToLinkType(linkProtocol_);
}

// A destination written with a known prefix ("https://host") is split into
// type, protocol and the rest. Without one the type and protocol stay, so a
// mail label stays a mail label; an empty destination leaves no link at all.
void THotLinkLabel::setLinkDestination(const QString& destination) {
    if (destination == linkDestination_)
        return;
    linkDestination_ = QLocale().toLower(destination);
    for (TLinkType type : kPrefixedTypes) {
        const QString prefix = prefixOf(type);
        if (linkDestination_.startsWith(prefix)) {
            linkDestination_.remove(0, prefix.size());
            linkType_ = type;
            linkProtocol_ = prefix;
            return;
        }
    }
    if (linkDestination_.isEmpty()) {
        linkType_ = ltNone;
        linkProtocol_.clear();
    }
}

void THotLinkLabel::setLinkColor(const QColor& color) {
    if (color == linkColor_)
        return;
    linkColor_ = color;
    setFontColor(color);
    repaint();
}

void THotLinkLabel::click() {
    if (linkSound_)
        EventSound::play(QStringLiteral("MenuPopup"));
    if (linkType_ != ltNone)
        openUrl(QUrl(linkProtocol_ + linkDestination_));
    emit clicked();
}

// While hovered the label grows by a pixel up and to the left, keeping its
// right and bottom edges, so its text seems to jump towards the pointer.
void THotLinkLabel::enterEvent(QEnterEvent* event) {
    QLabel::enterEvent(event);
    setFontColor(linkColorMouseMove_);
    if (linkMagnet_) {
        resize(width() + 1, height());
        resize(width(), height() + 1);
        move(x(), y() - 1);
        move(x() - 1, y());
    }
    if (linkSound_)
        EventSound::play(QStringLiteral("MenuCommand"));
    repaint();
}

// Undoes exactly what entering did; enter and leave always come in pairs.
void THotLinkLabel::leaveEvent(QEvent* event) {
    QLabel::leaveEvent(event);
    setFontColor(linkColor_);
    if (linkMagnet_) {
        resize(width() - 1, height());
        resize(width(), height() - 1);
        move(x(), y() + 1);
        move(x() + 1, y());
    }
    repaint();
}

void THotLinkLabel::mouseReleaseEvent(QMouseEvent* event) {
    QLabel::mouseReleaseEvent(event);
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        click();
}

THotLinkLabel::TLinkType THotLinkLabel::protocolToLinkType(const QString& protocol) {
    for (TLinkType type : kPrefixedTypes) {
        if (protocol == prefixOf(type))
            return type;
    }
    return protocol.isEmpty() ? ltNone : ltCUSTOM;
}

void THotLinkLabel::setFontColor(const QColor& color) {
    QPalette colored = palette();
    colored.setColor(QPalette::WindowText, color);
    setPalette(colored);
}

} // namespace ink
