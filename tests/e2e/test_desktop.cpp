// The program as a desktop sees it: answers on the console, the installed tree with its menu
// entry and icons, and the Debian package.
#include <QDirIterator>
#include <QImage>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

namespace {

struct Run {
  int code = -1;  // -1: crashed or did not end
  QByteArray out, err;
};

// Runs a program to its end without any display, as on a console.
Run run(const QString& program, const QStringList& args, const QString& workDir = QString()) {
  QProcess p;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
    env.remove(QString::fromLatin1(name));
  p.setProcessEnvironment(env);
  p.setWorkingDirectory(workDir);
  p.start(program, args);
  Run r;
  if (!p.waitForFinished(120000)) {
    p.kill();
    p.waitForFinished();
    return r;
  }
  r.out = p.readAllStandardOutput();
  r.err = p.readAllStandardError();
  if (p.exitStatus() == QProcess::NormalExit) r.code = p.exitCode();
  return r;
}

QString fromEnv(const char* name) { return qEnvironmentVariable(name); }

QStringList filesUnder(const QString& dir) {
  QStringList files;
  QDirIterator it(dir, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
  while (it.hasNext()) files << it.next().mid(dir.size() + 1);
  files.sort();
  return files;
}

}  // namespace

class TestDesktop : public QObject {
  Q_OBJECT

 private slots:
  // Answered without a display: a program that went on to open its window would fail here.
  void consoleAnswers_data() {
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("line");  // a line of the answer
    const QString settings =
        "  settings    " + QFileInfo(fromEnv("ZULSET")).absolutePath() + "/zulset.ini";
    QTest::newRow("--version") << QStringList{"--version"} << "zulset 3.0";
    QTest::newRow("-v") << QStringList{"-v"} << "zulset 3.0";
    QTest::newRow("--help") << QStringList{"--help"}
                            << "  -v, --version   Displays version information.";
    QTest::newRow("-h after an option of Qt's") << QStringList{"-reverse", "-h"} << settings;
  }
  void consoleAnswers() {
    QFETCH(QStringList, args);
    QFETCH(QString, line);
    const Run r = run(fromEnv("ZULSET"), args);
    QCOMPARE(r.code, 0);
    QCOMPARE(r.err, QByteArray());
    QVERIFY2(QString::fromLocal8Bit(r.out).split('\n').contains(line), r.out.constData());
  }

  void installTree() {
    QTemporaryDir prefix;
    const QString p = prefix.path();
    const Run r =
        run(fromEnv("CMAKE_COMMAND"), {"--install", fromEnv("ZUL_BUILD_DIR"), "--prefix", p});
    QVERIFY2(r.code == 0, r.err.constData());
    QCOMPARE(filesUnder(p), (QStringList{
                                "bin/zulset",
                                "bin/zulset-cli",
                                "bin/zulsim",
                                "share/applications/zulset.desktop",
                                "share/doc/zulset/README.md",
                                "share/icons/hicolor/128x128/apps/zulset.png",
                                "share/icons/hicolor/256x256/apps/zulset.png",
                                "share/icons/hicolor/32x32/apps/zulset.png",
                                "share/icons/hicolor/48x48/apps/zulset.png",
                            }));
    for (int size : {32, 48, 128, 256}) {
      const QString icon =
          QStringLiteral("%1/share/icons/hicolor/%2x%2/apps/zulset.png").arg(p).arg(size);
      QCOMPARE(QImage(icon).size(), QSize(size, size));
    }
    QCOMPARE(run(p + "/bin/zulset", {"--version"}).out, QByteArray("zulset 3.0\n"));
    QCOMPARE(run(p + "/bin/zulset-cli", {"--version"}).out, QByteArray("zulset-cli 3.0\n"));
    QCOMPARE(run(p + "/bin/zulsim", {"--help"}).code, 0);

    // The menu entry starts the installed program by name and shows its icon.
    const QString entry = p + "/share/applications/zulset.desktop";
    QFile f(entry);
    QVERIFY(f.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = f.readAll().split('\n');
    QVERIFY(lines.contains("Exec=zulset") && lines.contains("Icon=zulset"));
    const QString validate = QStandardPaths::findExecutable("desktop-file-validate");
    if (validate.isEmpty()) QSKIP("desktop-file-validate is not installed");
    const Run v = run(validate, {entry});
    QCOMPARE(v.code, 0);
    QCOMPARE(v.out + v.err, QByteArray());
  }

  // The package names the Qt 6 runtime it needs, the platform plugins included.
  void debianPackage() {
    for (const char* tool : {"dpkg-deb", "dpkg-shlibdeps"})
      if (QStandardPaths::findExecutable(tool).isEmpty()) QSKIP("no dpkg-dev here");
    QTemporaryDir out;
    const Run r =
        run(fromEnv("CPACK_COMMAND"), {"-G", "DEB", "-B", out.path()}, fromEnv("ZUL_BUILD_DIR"));
    QVERIFY2(r.code == 0, r.out.constData());
    const QStringList debs = QDir(out.path()).entryList({"zulset_*.deb"});
    QCOMPARE(debs.size(), 1);
    const QString deb = out.filePath(debs[0]);
    const QString depends =
        QString::fromLatin1(run("dpkg-deb", {"-f", deb, "Depends"}).out).trimmed();
    for (const char* package : {"libqt6core6", "libqt6gui6", "libqt6widgets6", "libqt6serialport6",
                                "qt6-qpa-plugins", "libjpeg62-turbo"})
      QVERIFY2(depends.contains(QLatin1String(package)), qPrintable(depends));
    const QByteArray contents = run("dpkg-deb", {"-c", deb}).out;
    for (const char* file : {" ./usr/bin/zulset\n", " ./usr/bin/zulset-cli\n",
                             " ./usr/bin/zulsim\n", " ./usr/share/applications/zulset.desktop\n",
                             " ./usr/share/icons/hicolor/256x256/apps/zulset.png\n"})
      QVERIFY2(contents.contains(file), file);
  }
};

QTEST_GUILESS_MAIN(TestDesktop)
#include "test_desktop.moc"
