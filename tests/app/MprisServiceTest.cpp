// The media player service on a private session bus, with the main window and paced chips in
// this process and a client on a connection of its own, as playerctl would be. Calls are
// asynchronous so that the window, which answers them, keeps running while the client waits.
#include <gtest/gtest.h>

#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QDBusPendingReply>
#include <QDBusVariant>
#include <QUrl>

#include "app/MprisService.h"
#include "app/PrivateBus.h"
#include "knowledge/KnowledgeTestFiles.h"
#include "ui/WindowRig.h"

namespace {

const std::filesystem::path Commando = WindowCorpus / "MUSICIANS/H/Hubbard_Rob/Commando.sid";
constexpr const char* Player = "org.mpris.MediaPlayer2.Player";
constexpr const char* Root = "org.mpris.MediaPlayer2";

// The song lengths that the HVSC database gives a tune, from the test data's index of tunes.
std::vector<qlonglong> IndexedLengths(const std::string& hvscPath) {
  for (const auto& row : TuneIndex()) {
    if (row.at("hvsc_path") != hvscPath) continue;
    std::vector<qlonglong> lengths;
    for (const std::string& text : SplitAtBlanks(row.at("songlengths_txt"))) {
      const size_t colon = text.find(':');
      lengths.push_back((std::stoll(text.substr(0, colon)) * 60 + std::stoll(text.substr(colon + 1))) * 1000000LL);
    }
    return lengths;
  }
  return {};
}

class TChangeRecorder : public QObject {
  Q_OBJECT

 public slots:
  void Changed(const QString& interface, const QVariantMap& changed, const QStringList&) {
    if (interface == Player) Changes << changed;
  }

 public:
  QList<QVariantMap> Changes;
};

class MprisServiceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!std::filesystem::exists(Commando)) GTEST_SKIP() << "test tunes missing: " << Commando;
    if (Bus.BusAddress().isEmpty()) GTEST_SKIP() << TPrivateBus::Missing;
    Service = new TMprisService(*Rig.Window, Bus.Connect("service"));
    ASSERT_TRUE(Service->Start());
    Client = std::make_unique<QDBusConnection>(Bus.Connect("client"));
    Client->connect(TMprisService::ServiceName, TMprisService::ObjectPath, "org.freedesktop.DBus.Properties",
                    "PropertiesChanged", &Recorder, SLOT(Changed(QString, QVariantMap, QStringList)));
  }
  void TearDown() override {
    Client.reset();
    QDBusConnection::disconnectFromBus("client");
    QDBusConnection::disconnectFromBus("service");
  }

  QDBusMessage Await(const QDBusMessage& message) {
    QDBusPendingCall call = Client->asyncCall(message);
    WaitFor([&] { return call.isFinished(); });
    return call.reply();
  }
  QVariant Get(const char* interface, const char* property) {
    QDBusMessage get = QDBusMessage::createMethodCall(TMprisService::ServiceName, TMprisService::ObjectPath,
                                                      "org.freedesktop.DBus.Properties", "Get");
    get << QString(interface) << QString(property);
    const QDBusMessage reply = Await(get);
    return reply.arguments().value(0).value<QDBusVariant>().variant();
  }
  QVariantMap Metadata() { return qdbus_cast<QVariantMap>(Get(Player, "Metadata")); }
  void Call(const char* method, const char* interface = Player) {
    Await(QDBusMessage::createMethodCall(TMprisService::ServiceName, TMprisService::ObjectPath, interface, method));
  }
  bool StatusBecomes(const char* status) {
    return WaitFor([&] { return Get(Player, "PlaybackStatus").toString() == status; });
  }

  TWindowRig Rig{1};
  TPrivateBus Bus;
  TMprisService* Service = nullptr;
  std::unique_ptr<QDBusConnection> Client;
  TChangeRecorder Recorder;
};

TEST_F(MprisServiceTest, NamesThePlayerAndReportsNoTrackBeforeTheFirstTune) {
  EXPECT_EQ(Get(Root, "Identity").toString(), "Vexlor Player");
  EXPECT_EQ(Get(Root, "DesktopEntry").toString(), "vexlor");
  EXPECT_TRUE(Get(Root, "CanRaise").toBool() && Get(Root, "CanQuit").toBool());
  EXPECT_EQ(Get(Root, "SupportedMimeTypes").toStringList(), QStringList{"audio/prs.sid"});
  EXPECT_EQ(Get(Player, "PlaybackStatus").toString(), "Stopped");
  EXPECT_FALSE(Get(Player, "CanSeek").toBool());
  const QVariantMap metadata = Metadata();
  EXPECT_EQ(metadata.value("mpris:trackid").value<QDBusObjectPath>().path(), "/org/mpris/MediaPlayer2/TrackList/NoTrack");
}

TEST_F(MprisServiceTest, MethodsWorkThePlayerAndTheMetadataFollowTheSong) {
  const std::vector<qlonglong> lengths = IndexedLengths("/MUSICIANS/H/Hubbard_Rob/Commando.sid");
  ASSERT_GE(lengths.size(), 2u);
  Rig.DoubleClick(Commando);
  ASSERT_TRUE(Rig.WaitForMusic());
  EXPECT_TRUE(StatusBecomes("Playing"));
  QVariantMap metadata = Metadata();
  EXPECT_EQ(metadata.value("xesam:title").toString(), "Commando");
  EXPECT_EQ(metadata.value("xesam:artist").toStringList(), QStringList{"Rob Hubbard"});
  EXPECT_EQ(metadata.value("xesam:url").toString(),
            QUrl::fromLocalFile(QString::fromStdString(Commando.string())).toString(QUrl::FullyEncoded));
  EXPECT_EQ(metadata.value("mpris:length").toLongLong(), lengths[0]);
  EXPECT_EQ(metadata.value("xesam:trackNumber").toInt(), 1);
  EXPECT_TRUE(Get(Player, "CanGoNext").toBool());
  EXPECT_FALSE(Get(Player, "CanGoPrevious").toBool());

  Call("PlayPause");
  EXPECT_TRUE(StatusBecomes("Paused"));
  Call("Play");
  EXPECT_TRUE(StatusBecomes("Playing"));

  Recorder.Changes.clear();
  Call("Next");
  EXPECT_TRUE(WaitFor([&] { return Metadata().value("xesam:trackNumber").toInt() == 2; }));
  EXPECT_EQ(Metadata().value("mpris:length").toLongLong(), lengths[1]);
  ASSERT_TRUE(WaitFor([&] {
    return std::any_of(Recorder.Changes.begin(), Recorder.Changes.end(), [](const QVariantMap& changed) {
      return qdbus_cast<QVariantMap>(changed.value("Metadata")).value("xesam:trackNumber").toInt() == 2;
    });
  })) << "the song change is announced";
  EXPECT_TRUE(Get(Player, "CanGoPrevious").toBool());

  QDBusMessage mute = QDBusMessage::createMethodCall(TMprisService::ServiceName, TMprisService::ObjectPath,
                                                     "org.freedesktop.DBus.Properties", "Set");
  mute << QString(Player) << QString("Volume") << QVariant::fromValue(QDBusVariant(0.0));
  Await(mute);
  EXPECT_TRUE(Rig.Window->Control().Controls().MuteAllChecked);

  Call("Stop");
  EXPECT_TRUE(StatusBecomes("Stopped"));
}

TEST_F(MprisServiceTest, RaiseBringsBackAHiddenWindowAndQuitClosesIt) {
  Rig.Window->hide();
  Call("Raise", Root);
  EXPECT_TRUE(Rig.Window->isVisible());
  Call("Quit", Root);
  EXPECT_FALSE(Rig.Window->isVisible());
}

TEST(MprisWithoutBus, TheWindowRunsWithoutTheService) {
  TWindowRig rig(1);
  TMprisService service(*rig.Window, QDBusConnection::connectToBus("unix:path=/nonexistent/bus", "nowhere"));
  EXPECT_FALSE(service.Start());
  EXPECT_EQ(service.Status().Status, TPlaybackStatus::Stopped);
  QDBusConnection::disconnectFromBus("nowhere");
}

}  // namespace

#include "MprisServiceTest.moc"
