// The program as a desktop sees it: answers on the console, the installed tree with its menu
// entry, icons and manual pages, the Debian package, and a build tree that does not redo itself.
#include <QDirIterator>
#include <QImage>
#include <QProcess>
#include <QRegularExpression>
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
                                "bin/zulsim",
                                "share/applications/zulset.desktop",
                                "share/doc/zulset/README.md",
                                "share/doc/zulset/changelog.gz",
                                "share/doc/zulset/copyright",
                                "share/icons/hicolor/128x128/apps/zulset.png",
                                "share/icons/hicolor/256x256/apps/zulset.png",
                                "share/icons/hicolor/32x32/apps/zulset.png",
                                "share/icons/hicolor/48x48/apps/zulset.png",
                                "share/man/man1/zulset.1.gz",
                                "share/man/man1/zulsim.1.gz",
                            }));
    for (int size : {32, 48, 128, 256}) {
      const QString icon =
          QStringLiteral("%1/share/icons/hicolor/%2x%2/apps/zulset.png").arg(p).arg(size);
      QCOMPARE(QImage(icon).size(), QSize(size, size));
    }
    QCOMPARE(run(p + "/bin/zulset", {"--version"}).out, QByteArray("zulset 3.0\n"));
    QCOMPARE(run(p + "/bin/zulsim", {"--help"}).code, 0);

    // Every program has its manual page, and the page names every option its --help names.
    for (const QString& program : QDir(p + "/bin").entryList(QDir::Files)) {
      const Run page = run("gzip", {"-dc", p + "/share/man/man1/" + program + ".1.gz"});
      QVERIFY2(page.code == 0, qPrintable(program + ": no manual page"));
      const QString roff = QString::fromUtf8(page.out).replace("\\-", "-");
      const QString help = QString::fromLocal8Bit(run(p + "/bin/" + program, {"--help"}).out);
      static const QRegularExpression option("(?:^|[\\s\\[|,])(--?[a-zA-Z?][-a-zA-Z]*)");
      for (auto it = option.globalMatch(help); it.hasNext();) {
        const QString name = it.next().captured(1);
        QVERIFY2(roff.contains(name), qPrintable(program + ".1 lacks " + name));
      }
    }

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
    for (const char* file : {" ./usr/bin/zulset\n", " ./usr/bin/zulsim\n",
                             " ./usr/share/applications/zulset.desktop\n",
                             " ./usr/share/icons/hicolor/256x256/apps/zulset.png\n"})
      QVERIFY2(contents.contains(file), file);

    // What a distribution asks of a package: no error and no warning of lintian.
    if (QStandardPaths::findExecutable("lintian").isEmpty()) QSKIP("lintian is not installed");
    const Run lint = run("lintian", {deb});
    QByteArrayList findings;
    for (const QByteArray& line : lint.out.split('\n'))
      if (line.startsWith("E:") || line.startsWith("W:")) findings << line;
    QVERIFY2(findings.isEmpty() && lint.code == 0, (lint.out + lint.err).constData());
  }

  // A build of an unchanged tree, configured again or not, compiles and links nothing: the
  // second ./test.sh runs its tests at once. (Run after the build, as ./test.sh does.)
  void unchangedTreeBuildsNothing() {
    const QString build = fromEnv("ZUL_BUILD_DIR");
    const auto work = [&] {
      const Run dry = run(fromEnv("CMAKE_COMMAND"), {"--build", build, "--", "-n"});
      QByteArrayList steps;
      for (const QByteArray& line : dry.out.split('\n'))
        if (line.contains("Linking") || line.contains("Building") || line.contains("Generating"))
          steps << line;
      return steps.join('\n');
    };
    QCOMPARE(work(), QByteArray());
    const Run configure =
        run(fromEnv("CMAKE_COMMAND"), {"-S", fromEnv("ZUL_SOURCE_DIR"), "-B", build});
    QVERIFY2(configure.code == 0, configure.err.constData());
    QCOMPARE(work(), QByteArray());
  }
};

QTEST_GUILESS_MAIN(TestDesktop)
#include "test_desktop.moc"
