#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <csignal>
#include <memory>
#include <unistd.h>

#include "platform/ui/instance_client.h"

namespace {

const QString kDefaultTitle = QStringLiteral("QR-SOURCE.tags - Quarrow");

struct Outcome {
    bool lock = false;
    bool existed = false;
    bool requested = false;
    bool listening = false;
};

// One running probe process with its own close marker.
class Probe {
public:
    // `environment` adds to or replaces variables of the probe's environment.
    Probe(const QTemporaryDir& runtime, const QString& name, const QString& title, bool applyRule = true,
          const QProcessEnvironment& extra = {})
        : m_marker(runtime.filePath(name + QStringLiteral(".marker"))) {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime.path());
        environment.insert(extra);
        m_process.setProcessEnvironment(environment);
        m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        QStringList arguments{QStringLiteral("--title"), title, QStringLiteral("--marker"), m_marker};
        if (!applyRule) {
            arguments << QStringLiteral("--no-rule");
        }
        m_process.start(QStringLiteral(QUARROW_PROBE_PATH), arguments);
        m_started = m_process.waitForStarted(10000);
    }

    ~Probe() {
        if (m_process.state() != QProcess::NotRunning) {
            m_process.kill();
            m_process.waitForFinished(5000);
        }
    }

    // Reads the start-up report; false when the probe did not get ready in time.
    bool WaitReady(Outcome& outcome) {
        if (!m_started) {
            return false;
        }
        QElapsedTimer timer;
        timer.start();
        while (timer.elapsed() < 15000) {
            while (m_process.canReadLine()) {
                const QByteArray line = m_process.readLine().trimmed();
                if (line.startsWith("outcome ")) {
                    outcome.lock = line.contains("lock=1");
                    outcome.existed = line.contains("existed=1");
                    outcome.requested = line.contains("requested=1");
                    outcome.listening = line.contains("listening=1");
                } else if (line == "ready") {
                    return true;
                }
            }
            if (!m_process.waitForReadyRead(500) && m_process.state() == QProcess::NotRunning) {
                return false;
            }
        }
        return false;
    }

    bool Running() { return m_process.state() == QProcess::Running; }
    bool StaysRunningFor(int ms) { return !m_process.waitForFinished(ms) && Running(); }
    bool ExitsWithin(int ms) { return m_process.waitForFinished(ms); }
    bool ClosedThroughItsClosePath() const {
        QFile file(m_marker);
        return file.open(QIODevice::ReadOnly) && file.readAll() == "closed\n";
    }
    qint64 Pid() const { return m_process.processId(); }
    void KillHard() {
        ::kill(static_cast<pid_t>(m_process.processId()), SIGKILL);
        m_process.waitForFinished(5000);
    }

private:
    QString m_marker;
    QProcess m_process;
    bool m_started = false;
};

QString SocketOf(const QTemporaryDir& runtime, qint64 pid) {
    return runtime.filePath(QStringLiteral("quarrow-%1-%2").arg(getuid()).arg(pid));
}

class SingleInstanceTest : public testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(m_runtime.isValid()); }
    QTemporaryDir m_runtime;
};

TEST_F(SingleInstanceTest, defaultTagsWindow_isClosedByTheNextInstance) {
    Probe first(m_runtime, QStringLiteral("first"), kDefaultTitle);
    Outcome a;
    ASSERT_TRUE(first.WaitReady(a));
    EXPECT_TRUE(a.lock);
    EXPECT_FALSE(a.existed);
    EXPECT_TRUE(a.listening);

    Probe second(m_runtime, QStringLiteral("second"), QStringLiteral("other.tags - Quarrow"));
    Outcome b;
    ASSERT_TRUE(second.WaitReady(b));
    EXPECT_TRUE(b.existed);
    EXPECT_TRUE(b.requested);

    EXPECT_TRUE(first.ExitsWithin(5000));
    EXPECT_TRUE(first.ClosedThroughItsClosePath());
    EXPECT_TRUE(second.Running()) << "the rule never ends the new instance";
}

TEST_F(SingleInstanceTest, windowWithAnotherFile_bothKeepRunning) {
    Probe first(m_runtime, QStringLiteral("first"), QStringLiteral("QR-SOURCE.tags - Quarrow "));
    Outcome a;
    ASSERT_TRUE(first.WaitReady(a));

    Probe second(m_runtime, QStringLiteral("second"), kDefaultTitle);
    Outcome b;
    ASSERT_TRUE(second.WaitReady(b));
    EXPECT_TRUE(b.existed);
    EXPECT_FALSE(b.requested) << "the title must match exactly";

    EXPECT_TRUE(first.StaysRunningFor(500));
    EXPECT_TRUE(second.Running());
}

TEST_F(SingleInstanceTest, multiView_newInstanceSkipsTheRule) {
    Probe first(m_runtime, QStringLiteral("first"), kDefaultTitle);
    Outcome a;
    ASSERT_TRUE(first.WaitReady(a));

    Probe second(m_runtime, QStringLiteral("second"), kDefaultTitle, /*applyRule=*/false);
    Outcome b;
    ASSERT_TRUE(second.WaitReady(b));
    EXPECT_FALSE(b.lock);
    EXPECT_FALSE(b.requested);
    EXPECT_TRUE(b.listening) << "it still answers later instances";
    EXPECT_TRUE(first.StaysRunningFor(500));
}

TEST_F(SingleInstanceTest, multiViewInstance_isNotSeenByTheLock) {
    // An instance that allows several instances does not hold the lock, so the next one under
    // the rule finds no earlier instance and asks nobody to close.
    Probe first(m_runtime, QStringLiteral("first"), kDefaultTitle, /*applyRule=*/false);
    Outcome a;
    ASSERT_TRUE(first.WaitReady(a));

    Probe second(m_runtime, QStringLiteral("second"), kDefaultTitle);
    Outcome b;
    ASSERT_TRUE(second.WaitReady(b));
    EXPECT_TRUE(b.lock);
    EXPECT_FALSE(b.existed);
    EXPECT_FALSE(b.requested);
    EXPECT_TRUE(first.StaysRunningFor(500));
}

TEST_F(SingleInstanceTest, lockOutlivesItsFirstHolder_thirdInstanceStillSeesTheSecond) {
    Probe first(m_runtime, QStringLiteral("first"), QStringLiteral("a.tags - Quarrow"));
    Outcome a;
    ASSERT_TRUE(first.WaitReady(a));
    Probe second(m_runtime, QStringLiteral("second"), kDefaultTitle);
    Outcome b;
    ASSERT_TRUE(second.WaitReady(b));
    EXPECT_TRUE(b.existed);
    EXPECT_FALSE(b.requested);

    // The first ends normally; the second still holds the lock.
    ASSERT_TRUE(quarrow::RequestInstanceClose(SocketOf(m_runtime, first.Pid())));
    ASSERT_TRUE(first.ExitsWithin(5000));

    Probe third(m_runtime, QStringLiteral("third"), QStringLiteral("b.tags - Quarrow"));
    Outcome c;
    ASSERT_TRUE(third.WaitReady(c));
    EXPECT_TRUE(c.existed);
    EXPECT_TRUE(c.requested);
    EXPECT_TRUE(second.ExitsWithin(5000));
    EXPECT_TRUE(second.ClosedThroughItsClosePath());
}

TEST_F(SingleInstanceTest, killedInstance_leavesNoStaleLockOrSocket) {
    Probe killed(m_runtime, QStringLiteral("killed"), kDefaultTitle);
    Outcome k;
    ASSERT_TRUE(killed.WaitReady(k));
    const QString killedSocket = SocketOf(m_runtime, killed.Pid());
    ASSERT_TRUE(QFileInfo::exists(killedSocket));
    killed.KillHard();

    Probe next(m_runtime, QStringLiteral("next"), QStringLiteral("x.tags - Quarrow"));
    Outcome n;
    ASSERT_TRUE(next.WaitReady(n));
    EXPECT_TRUE(n.lock);
    EXPECT_FALSE(n.existed) << "the lock of a killed process is gone";
    EXPECT_FALSE(n.requested);
    EXPECT_FALSE(QFileInfo::exists(killedSocket)) << "its socket is swept away";
}

TEST_F(SingleInstanceTest, killedInstanceBesideLiveOne_nextStartIsNotHeldUp) {
    Probe live(m_runtime, QStringLiteral("live"), QStringLiteral("x.tags - Quarrow"));
    Outcome l;
    ASSERT_TRUE(live.WaitReady(l));
    Probe killed(m_runtime, QStringLiteral("killed"), kDefaultTitle);
    Outcome k;
    ASSERT_TRUE(killed.WaitReady(k));
    killed.KillHard();

    QElapsedTimer timer;
    timer.start();
    Probe next(m_runtime, QStringLiteral("next"), QStringLiteral("y.tags - Quarrow"));
    Outcome n;
    ASSERT_TRUE(next.WaitReady(n));
    EXPECT_LT(timer.elapsed(), 3000);
    EXPECT_TRUE(n.existed);
    EXPECT_FALSE(n.requested) << "the dead default-tags window is not asked";
    EXPECT_TRUE(live.StaysRunningFor(300));
}

// A runtime folder so deep that no socket fits in it (a socket address holds about a hundred
// bytes): the instances meet in a short private folder instead, lock and sockets alike.
TEST_F(SingleInstanceTest, runtimeFolderTooDeepForASocket_instancesStillFindEachOther) {
    const QString deep = m_runtime.filePath(QString(120, QLatin1Char('d')));
    ASSERT_TRUE(QDir().mkpath(deep));
    QProcessEnvironment environment;
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), deep);
    environment.insert(QStringLiteral("TMPDIR"), m_runtime.path());  // the private folder goes here
    const QString shortFolder = m_runtime.filePath(QStringLiteral("quarrow-%1").arg(getuid()));

    Probe first(m_runtime, QStringLiteral("first"), kDefaultTitle, true, environment);
    Outcome a;
    ASSERT_TRUE(first.WaitReady(a));
    EXPECT_TRUE(a.lock);
    EXPECT_TRUE(a.listening);
    const QFileInfo folder(shortFolder);
    EXPECT_TRUE(folder.isDir() && !folder.isSymLink());
    EXPECT_EQ(folder.permissions() & ~(QFile::ReadUser | QFile::WriteUser | QFile::ExeUser | QFile::ReadOwner |
                                       QFile::WriteOwner | QFile::ExeOwner),
              QFile::Permissions{});
    EXPECT_TRUE(QFileInfo::exists(shortFolder + QStringLiteral("/quarrow-%1-%2").arg(getuid()).arg(first.Pid())));

    Probe second(m_runtime, QStringLiteral("second"), QStringLiteral("other.tags - Quarrow"), true, environment);
    Outcome b;
    ASSERT_TRUE(second.WaitReady(b));
    EXPECT_TRUE(b.listening);
    EXPECT_TRUE(b.existed);
    EXPECT_TRUE(b.requested);
    EXPECT_TRUE(first.ExitsWithin(5000));
    EXPECT_TRUE(first.ClosedThroughItsClosePath());
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
