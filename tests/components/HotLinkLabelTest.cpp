#include "components/HotLinkLabel.h"
#include "components/EventSound.h"

#include "support/PrintQt.h"
#include <gtest/gtest.h>
#include <QEnterEvent>
#include <QMetaProperty>
#include <QTest>

using namespace ink;

namespace {

// A label on a parent widget, with the link opener and the sound player
// replaced by recorders so nothing reaches the desktop.
class HotLinkLabelTest : public ::testing::Test {
protected:
    void SetUp() override {
        previousOpener_ = THotLinkLabel::setUrlOpener([this](const QUrl& url) { opened << url; });
        previousPlayer_ = EventSound::setPlayer([this](const QByteArray& id) { sounds << id; });
        label = new THotLinkLabel(&window);
        label->setGeometry(10, 20, 100, 15);
    }
    void TearDown() override {
        THotLinkLabel::setUrlOpener(previousOpener_);
        EventSound::setPlayer(previousPlayer_);
    }

    void enter() {
        QEnterEvent event(QPointF(5, 5), QPointF(15, 25), QPointF(15, 25));
        QCoreApplication::sendEvent(label, &event);
    }
    void leave() {
        QEvent event(QEvent::Leave);
        QCoreApplication::sendEvent(label, &event);
    }
    QColor fontColor() const { return label->palette().color(QPalette::WindowText); }

    QWidget window;
    THotLinkLabel* label = nullptr;
    QList<QUrl> opened;
    QList<QByteArray> sounds;

private:
    THotLinkLabel::UrlOpener previousOpener_;
    EventSound::Player previousPlayer_;
};

using LT = THotLinkLabel::TLinkType;

} // namespace

TEST_F(HotLinkLabelTest, NewLabelIsAnUnderlinedBlueMailLink) {
    EXPECT_EQ(label->linkType(), THotLinkLabel::ltMAILTO);
    EXPECT_EQ(label->linkProtocol(), "mailto:");
    EXPECT_EQ(label->linkDestination(), "docs@inkwright.example");
    EXPECT_EQ(label->linkColor(), QColor(0, 0, 255));
    EXPECT_EQ(fontColor(), QColor(0, 0, 255));
    EXPECT_EQ(label->linkColorMouseMove(), QColor(255, 0, 0));
    EXPECT_TRUE(label->linkMagnet());
    EXPECT_TRUE(label->linkSound());
    EXPECT_TRUE(label->font().underline());
    EXPECT_EQ(label->cursor().shape(), Qt::PointingHandCursor);
    EXPECT_FALSE(label->text().isEmpty());
}

// Stored layouts apply the properties in declaration order, so the order matters.
TEST_F(HotLinkLabelTest, LinkPropertiesAreDeclaredInStoringOrder) {
    const QMetaObject* meta = label->metaObject();
    QStringList names;
    for (int i = meta->propertyOffset(); i < meta->propertyCount(); ++i)
        names << meta->property(i).name();
    EXPECT_EQ(names, QStringList({"LinkType", "LinkProtocol", "LinkDestination", "LinkColor",
                                  "LinkColorMouseMove", "LinkMagnet", "LinkSound"}));
    EXPECT_TRUE(label->setProperty("LinkType", QVariant::fromValue(THotLinkLabel::ltFTP)));
    EXPECT_EQ(label->linkProtocol(), "ftp://");
}

TEST_F(HotLinkLabelTest, DestinationWithKnownPrefixSetsTypeAndProtocol) {
    label->setLinkDestination("https://example.org/Docs");
    EXPECT_EQ(label->linkType(), THotLinkLabel::ltHTTPS);
    EXPECT_EQ(label->linkProtocol(), "https://");
    EXPECT_EQ(label->linkDestination(), "example.org/docs"); // all of it lowered

    label->setLinkDestination("MAILTO:Team@Inkwright.Example");
    EXPECT_EQ(label->linkType(), THotLinkLabel::ltMAILTO);
    EXPECT_EQ(label->linkProtocol(), "mailto:");
    EXPECT_EQ(label->linkDestination(), "team@inkwright.example");

    label->setLinkDestination("file:///tmp/readme.txt");
    EXPECT_EQ(label->linkType(), THotLinkLabel::ltFILE);
    EXPECT_EQ(label->linkDestination(), "/tmp/readme.txt");
}

TEST_F(HotLinkLabelTest, DestinationWithoutPrefixKeepsTypeAndProtocol) {
    label->setLinkDestination("someone@inkwright.example");
    EXPECT_EQ(label->linkType(), THotLinkLabel::ltMAILTO);
    EXPECT_EQ(label->linkProtocol(), "mailto:");
    EXPECT_EQ(label->linkDestination(), "someone@inkwright.example");
}

TEST_F(HotLinkLabelTest, EmptyDestinationLeavesNoLink) {
    label->setLinkDestination("");
    EXPECT_EQ(label->linkType(), THotLinkLabel::ltNone);
    EXPECT_EQ(label->linkProtocol(), "");

    label->click();
    EXPECT_TRUE(opened.isEmpty());
    EXPECT_EQ(sounds, QList<QByteArray>({"menu-popup"}));
}

TEST_F(HotLinkLabelTest, TypeNoneEmptiesTheLinkAndCustomKeepsIt) {
    label->setLinkType(THotLinkLabel::ltCUSTOM);
    EXPECT_EQ(label->linkProtocol(), "mailto:");
    EXPECT_EQ(label->linkDestination(), "docs@inkwright.example");

    label->setLinkType(THotLinkLabel::ltHTTP);
    EXPECT_EQ(label->linkProtocol(), "http://");
    EXPECT_EQ(label->linkDestination(), "docs@inkwright.example");

    label->setLinkType(THotLinkLabel::ltNone);
    EXPECT_EQ(label->linkProtocol(), "");
    EXPECT_EQ(label->linkDestination(), "");
}

TEST_F(HotLinkLabelTest, ProtocolDecidesTypeAndLeavesDestination) {
    label->setLinkProtocol("FTP://");
    EXPECT_EQ(label->linkType(), THotLinkLabel::ltFTP);
    EXPECT_EQ(label->linkProtocol(), "ftp://");

    label->setLinkProtocol("Irc://");
    EXPECT_EQ(label->linkType(), THotLinkLabel::ltCUSTOM);
    EXPECT_EQ(label->linkProtocol(), "irc://");

    label->setLinkProtocol("");
    EXPECT_EQ(label->linkType(), THotLinkLabel::ltNone);
    EXPECT_EQ(label->linkDestination(), "docs@inkwright.example");
}

TEST_F(HotLinkLabelTest, LinkColorBecomesTheFontColor) {
    label->setLinkColor(Qt::darkGreen);
    EXPECT_EQ(label->linkColor(), QColor(Qt::darkGreen));
    EXPECT_EQ(fontColor(), QColor(Qt::darkGreen));
}

TEST_F(HotLinkLabelTest, HoverWithMagnetGrowsUpAndLeftAndLeaveUndoesIt) {
    enter();
    EXPECT_EQ(label->geometry(), QRect(9, 19, 101, 16)); // right and bottom edges stay
    EXPECT_EQ(fontColor(), QColor(255, 0, 0));
    EXPECT_EQ(sounds, QList<QByteArray>({"menu-click"}));

    leave();
    EXPECT_EQ(label->geometry(), QRect(10, 20, 100, 15));
    EXPECT_EQ(fontColor(), QColor(0, 0, 255));
    EXPECT_EQ(sounds.size(), 1); // leaving is silent
}

TEST_F(HotLinkLabelTest, HoverWithoutMagnetOrSoundOnlyChangesColor) {
    label->setLinkMagnet(false);
    label->setLinkSound(false);
    label->setLinkColorMouseMove(Qt::magenta);
    enter();
    EXPECT_EQ(label->geometry(), QRect(10, 20, 100, 15));
    EXPECT_EQ(fontColor(), QColor(Qt::magenta));
    leave();
    EXPECT_EQ(label->geometry(), QRect(10, 20, 100, 15));
    EXPECT_TRUE(sounds.isEmpty());
}

TEST_F(HotLinkLabelTest, ClickOpensProtocolPlusDestinationAndEmitsClicked) {
    label->setLinkDestination("https://inkwright.example/manual");
    int clicks = 0;
    QObject::connect(label, &THotLinkLabel::clicked, [&] { ++clicks; });

    QTest::mouseClick(label, Qt::LeftButton, {}, QPoint(5, 5));
    ASSERT_EQ(opened.size(), 1);
    EXPECT_EQ(opened[0], QUrl("https://inkwright.example/manual"));
    EXPECT_EQ(sounds, QList<QByteArray>({"menu-popup"}));
    EXPECT_EQ(clicks, 1);

    label->setLinkProtocol("inkdoc:"); // a custom link opens as well
    label->click();
    ASSERT_EQ(opened.size(), 2);
    EXPECT_EQ(opened[1].toString(), "inkdoc:inkwright.example/manual");
    EXPECT_EQ(clicks, 2);
}

// Without a sound server (as on a build machine) playing must neither fail nor hang.
TEST(EventSound, PlayingWithoutASoundServerIsHarmless) {
    EventSound::play("MenuCommand");
    EventSound::play("MenuPopup");
    EventSound::play("NoSuchSound");
    EXPECT_TRUE(EventSound::freedesktopEventId("NoSuchSound").isEmpty());
}
