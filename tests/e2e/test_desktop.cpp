// SPDX-License-Identifier: GPL-3.0-or-later
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

// Runs a program to its end without any display, as on a console; locale: LC_ALL, when given.
Run run(const QString& program, const QStringList& args, const QString& workDir = QString(),
        const QString& locale = QString()) {
  QProcess p;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
    env.remove(QString::fromLatin1(name));
  if (!locale.isEmpty()) env.insert("LC_ALL", locale);
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
                            << "  -v, --version      Displays version information.";
    QTest::newRow("-h after an option of Qt's") << QStringList{"-reverse", "-h"} << settings;
    QTest::newRow("--help on languages")
        << QStringList{"--help"}
        << "  To switch later, start once with --language CODE, which keeps [Form].";
  }
  void consoleAnswers() {
    QFETCH(QStringList, args);
    QFETCH(QString, line);
    const Run r = run(fromEnv("ZULSET"), args);
    QCOMPARE(r.code, 0);
    QCOMPARE(r.err, QByteArray());
    QVERIFY2(QString::fromLocal8Bit(r.out).split('\n').contains(line), r.out.constData());
  }

  // --language on a copy of the program: an unknown code and texts the locale's character set
  // cannot hold are refused on the console with the file left as it was; otherwise the file
  // takes the texts before the window starts.
  void languageOption() {
    QTemporaryDir dir;
    const QString program = dir.filePath("zulset");
    QVERIFY(QFile::copy(fromEnv("ZULSET"), program));
    const QString ini = dir.filePath("zulset.ini");
    const QByteArray before = "; mine\r\n[Form]\r\nTop=7\r\n";
    {
      QFile f(ini);
      QVERIFY(f.open(QIODevice::WriteOnly) && f.write(before) == before.size());
    }
    auto contents = [&ini] {
      QFile f(ini);
      return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    };
    Run r = run(program, {"--language", "fr"});
    QCOMPARE(r.code, 2);
    QCOMPARE(r.err, QByteArray("zulset: no language \"fr\"; choose one of cs, sk, de, pl, en.\n"));
    r = run(program, {"--language", "cs"}, QString(), "C");
    QCOMPARE(r.code, 1);
    QVERIFY2(r.err.startsWith("zulset: Unable to write to " + ini.toUtf8() + ". The text \""),
             r.err.constData());
    QCOMPARE(contents(), before);

    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("LC_ALL", "C.UTF-8");
    env.insert("QT_QPA_PLATFORM", "offscreen");
    p.setProcessEnvironment(env);
    p.start(program, {"--language", "cs"});
    QByteArray out;
    while (!out.contains('\n') && p.waitForReadyRead(10000)) out += p.readAllStandardOutput();
    // The window comes next and waits for a port: not this test's concern.
    p.kill();
    p.waitForFinished();
    QCOMPARE(out, "zulset: Czech texts in " + ini.toUtf8() + "\n");
    const QByteArray after = contents();
    QVERIFY(after.startsWith(before + "\r\n[Language]\r\nLanguage=Cz\r\n"));
    QVERIFY(after.contains("\r\nLoad SIM=Na\xc4\x8d\xc3\xadst SIM\r\n"));
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
                                "lib/systemd/system/zulset-log@.service",
                                "share/applications/zulset.desktop",
                                "share/doc/zulset/README.md",
                                "share/doc/zulset/changelog.gz",
                                "share/doc/zulset/copyright",
                                "share/icons/hicolor/128x128/apps/zulset.png",
                                "share/icons/hicolor/256x256/apps/zulset.png",
                                "share/icons/hicolor/32x32/apps/zulset.png",
                                "share/icons/hicolor/48x48/apps/zulset.png",
                                "share/man/man1/zulset-cli.1.gz",
                                "share/man/man1/zulset.1.gz",
                                "share/man/man1/zulsim.1.gz",
                                "share/zulset/translations/cs.ini",
                                "share/zulset/translations/de.ini",
                                "share/zulset/translations/pl.ini",
                                "share/zulset/translations/sk.ini",
                            }));
    for (int size : {32, 48, 128, 256}) {
      const QString icon =
          QStringLiteral("%1/share/icons/hicolor/%2x%2/apps/zulset.png").arg(p).arg(size);
      QCOMPARE(QImage(icon).size(), QSize(size, size));
    }
    QCOMPARE(run(p + "/bin/zulset", {"--version"}).out, QByteArray("zulset 3.0\n"));
    QCOMPARE(run(p + "/bin/zulset-cli", {"--version"}).out, QByteArray("zulset-cli 3.0\n"));
    QCOMPARE(run(p + "/bin/zulsim", {"--help"}).code, 0);
    // The help points at the installed translations.
    QVERIFY(run(p + "/bin/zulset", {"--help"})
                .out.contains("  " + QDir::cleanPath(p + "/share/zulset/translations").toUtf8() +
                              " into the settings file.\n"));

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

  // The package names the Qt 6 runtime it needs, the platform plugins and Qt's translations
  // included.
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
                                "qt6-qpa-plugins", "qt6-translations-l10n", "libjpeg62-turbo"})
      QVERIFY2(depends.contains(QLatin1String(package)), qPrintable(depends));
    const QByteArray contents = run("dpkg-deb", {"-c", deb}).out;
    for (const char* file :
         {" ./usr/bin/zulset\n", " ./usr/bin/zulset-cli\n", " ./usr/bin/zulsim\n",
          " ./usr/lib/systemd/system/zulset-log@.service\n",
          " ./usr/share/applications/zulset.desktop\n",
          " ./usr/share/icons/hicolor/256x256/apps/zulset.png\n",
          " ./usr/share/man/man1/zulset-cli.1.gz\n", " ./usr/share/zulset/translations/cs.ini\n"})
      QVERIFY2(contents.contains(file), file);

    // What a distribution asks of a package: no error and no warning of lintian.
    if (QStandardPaths::findExecutable("lintian").isEmpty()) QSKIP("lintian is not installed");
    const Run lint = run("lintian", {deb});
    QByteArrayList findings;
    for (const QByteArray& line : lint.out.split('\n'))
      if (line.startsWith("E:") || line.startsWith("W:")) findings << line;
    QVERIFY2(findings.isEmpty() && lint.code == 0, (lint.out + lint.err).constData());
  }

  // The logger's service is confined as systemd rates it: exposure 2.0 or lower.
  void serviceConfined() {
    const QString analyze = QStandardPaths::findExecutable("systemd-analyze");
    if (analyze.isEmpty()) QSKIP("systemd-analyze is not installed");
    const QString unit = fromEnv("ZUL_SOURCE_DIR") + "/packaging/zulset-log@.service";
    const Run r = run(analyze, {"security", "--offline=true", "--no-pager", unit});
    static const QRegularExpression overall("Overall exposure level for \\S+: (\\d+\\.\\d)");
    const QRegularExpressionMatch m = overall.match(QString::fromUtf8(r.out + r.err));
    QVERIFY2(m.hasMatch(), (r.out + r.err).constData());
    qInfo("exposure %s", qPrintable(m.captured(1)));
    QVERIFY2(m.captured(1).toDouble() <= 2.0, r.out.constData());
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
