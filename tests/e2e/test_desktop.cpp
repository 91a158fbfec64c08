// SPDX-License-Identifier: GPL-3.0-or-later
// The program as a desktop sees it: answers on the console, the installed tree with its menu
// entry, icons and manual pages, the Debian package, and a build tree that does not redo itself.
#include <unistd.h>

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
                                "share/bash-completion/completions/zulset-cli",
                                "share/doc/zulset/README.md",
                                "share/doc/zulset/changelog.gz",
                                "share/doc/zulset/copyright",
                                "share/doc/zulset/examples/zulset-log-database.conf",
                                "share/icons/hicolor/128x128/apps/zulset.png",
                                "share/icons/hicolor/256x256/apps/zulset.png",
                                "share/icons/hicolor/32x32/apps/zulset.png",
                                "share/icons/hicolor/48x48/apps/zulset.png",
                                "share/man/man1/zulset-cli.1.gz",
                                "share/man/man1/zulset.1.gz",
                                "share/man/man1/zulsim.1.gz",
                                "share/metainfo/invalid.zulset.zulset.metainfo.xml",
                                "share/zulset/admissions.sql",
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

    // A software centre's view: valid AppStream metadata. The one remark allowed is the id's
    // top-level domain, .invalid, as in the package's contact: the project has no domain.
    const QString appstream = QStandardPaths::findExecutable("appstreamcli");
    if (appstream.isEmpty()) QSKIP("appstreamcli is not installed");
    const Run a = run(appstream, {"validate", "--no-net", "--pedantic",
                                  p + "/share/metainfo/invalid.zulset.zulset.metainfo.xml"});
    QVERIFY2(a.code == 0, a.out.constData());
    for (const QByteArray& line : a.out.split('\n'))
      QVERIFY2(!QRegularExpression("^[EWP]: ").match(QString::fromUtf8(line)).hasMatch() &&
                   (!line.startsWith("I: ") || line.contains("cid-maybe-not-rdns")),
               line.constData());
  }

  // bash completion, as bash-completion loads it: the commands and options --help names, the
  // COM numbers that have a link, and files by the extension each command takes.
  void shellCompletion() {
    const QString bashCompletion = "/usr/share/bash-completion/bash_completion";
    if (!QFile::exists(bashCompletion)) QSKIP("bash-completion is not installed");
    QTemporaryDir dir;
    QVERIFY(QDir(dir.path()).mkpath("home/.config/zulset/ports") && QDir(dir.path()).mkdir("logs"));
    QVERIFY(QFile::link("/dev/null", dir.filePath("home/.config/zulset/ports/com9")));
    for (const char* name : {"site.phb", "site.CSV", "pairs.sms", "notes.txt"}) {
      QFile f(dir.filePath(name));
      QVERIFY(f.open(QIODevice::WriteOnly));
    }
    const QString help = QString::fromLocal8Bit(run(fromEnv("ZULSET_CLI"), {"--help"}).out);
    QStringList commands, options;
    static const QRegularExpression command("^  ([a-z][-a-z]+) ",
                                            QRegularExpression::MultilineOption);
    for (auto it = command.globalMatch(help.section("Commands:", 1).section("Options:", 0, 0));
         it.hasNext();)
      commands << it.next().captured(1);
    static const QRegularExpression option("(?:^|[\\s\\[|,])(--[a-z][-a-z]*)");
    for (auto it = option.globalMatch(help); it.hasNext();) options << it.next().captured(1);
    QVERIFY(commands.contains("monitor") && options.contains("--port"));
    options.removeDuplicates();

    const struct {
      QString line;  // the words; the last is the one completed
      QStringList offered, notOffered;
    } cases[] = {
        {"zulset-cli ", commands, options},
        {"zulset-cli -", options, commands},
        {"zulset-cli --port ", {"COM9"}, commands},
        {"zulset-cli --port COM9 overwrite-sim ",
         {"site.phb", "site.CSV", "logs"},
         {"pairs.sms", "notes.txt"}},
        {"zulset-cli --settings x.ini load-smss ", {"pairs.sms"}, {"site.phb"}},
        {"zulset-cli --port COM9 log-admissions ", {"logs"}, {"site.phb"}},
        {"zulset-cli verify site.phb ", {}, {"site.phb", "verify"}},
    };
    for (const auto& c : cases) {
      QProcess bash;
      QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
      env.insert("HOME", dir.filePath("home"));
      bash.setProcessEnvironment(env);
      bash.setWorkingDirectory(dir.path());
      const QString script =
          "source " + bashCompletion +
          "; source \"$0\"; read -ra COMP_WORDS <<<\"$1\"; "
          "[[ $1 == *' ' ]] && COMP_WORDS+=(''); COMP_CWORD=$((${#COMP_WORDS[@]} - 1)); "
          "COMP_LINE=$1; COMP_POINT=${#1}; _zulset_cli; printf '%s\\n' \"${COMPREPLY[@]}\"";
      bash.start("bash",
                 {"-c", script, fromEnv("ZUL_SOURCE_DIR") + "/packaging/zulset-cli.bash-completion",
                  c.line});
      QVERIFY(bash.waitForFinished(20000));
      const QStringList got = QString::fromUtf8(bash.readAllStandardOutput()).split('\n');
      for (const QString& w : c.offered)
        QVERIFY2(got.contains(w), qPrintable(c.line + ": no " + w + " in " + got.join(' ')));
      for (const QString& w : c.notOffered)
        QVERIFY2(!got.contains(w), qPrintable(c.line + ": offers " + w));
    }
  }

  // The package's maintainer scripts, with stand-ins for systemctl and deb-systemd-* that log
  // their calls; "systemd running" is a /run/systemd/system of a mount namespace of its own.
  void maintainerScripts() {
    QTemporaryDir dir;
    const QString bin = dir.filePath("bin"), log = dir.filePath("calls");
    QVERIFY(QDir().mkpath(bin));
    for (const char* tool : {"systemctl", "deb-systemd-invoke", "deb-systemd-helper"}) {
      QFile f(bin + "/" + tool);
      QVERIFY(f.open(QIODevice::WriteOnly));
      f.write("#!/bin/sh\necho \"${0##*/} $*\" >>\"$ZUL_CALLS\"\n");
      f.setPermissions(f.permissions() | QFileDevice::ExeOwner);
    }
    const QString scripts = fromEnv("ZUL_SOURCE_DIR") + "/packaging/";
    // Runs a script as dpkg would: PATH with the stand-ins first; systemd: in a namespace whose
    // /run shows a running systemd; root: DPKG_ROOT, as for an installation into another root.
    auto dpkgRuns = [&](const QString& script, const QStringList& args, bool systemd,
                        const QString& root = QString()) {
      QFile::remove(log);
      QProcess p;
      QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
      env.insert("PATH", bin + ":" + env.value("PATH"));
      env.insert("ZUL_CALLS", log);
      if (!root.isEmpty()) env.insert("DPKG_ROOT", root);
      p.setProcessEnvironment(env);
      QStringList command{"sh", scripts + script};
      if (systemd)
        command =
            QStringList{"unshare",
                        getuid() == 0 ? "-m" : "-rm",
                        "sh",
                        "-c",
                        "mount -t tmpfs none /run && mkdir -p /run/systemd/system && exec \"$@\"",
                        "sh"} +
            command;
      const QString program = command.takeFirst();
      p.start(program, command + args);
      p.waitForFinished(20000);
      QFile f(log);
      const QString calls = f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : "";
      return p.exitCode() == 0 && p.exitStatus() == QProcess::NormalExit ? calls
                                                                         : "failed: " + calls;
    };
    if (dpkgRuns("postinst", {"configure", ""}, true).startsWith("failed"))
      QSKIP("no mount namespace here to play a running systemd");
    const QString reload = "systemctl --system daemon-reload\n";
    const struct {
      const char* script;
      QStringList args;
      bool systemd;
      QString calls;
    } cases[] = {
        {"postinst", {"configure", ""}, true, reload},
        {"postinst",
         {"configure", "3.0"},
         true,
         reload + "deb-systemd-invoke try-restart zulset-log@*.service\n"},
        {"postinst", {"configure", ""}, false, ""},
        {"prerm", {"remove"}, true, "deb-systemd-invoke stop zulset-log@*.service\n"},
        {"prerm", {"upgrade", "3.1"}, true, ""},
        {"postrm", {"remove"}, true, reload},
        {"postrm", {"upgrade", "3.1"}, true, ""},
    };
    for (const auto& c : cases) QCOMPARE(dpkgRuns(c.script, c.args, c.systemd), c.calls);

    // purge, into another root: the instances enabled and the loggers' folders go, the
    // administrator's settings and other units' links stay.
    const QString root = dir.filePath("root");
    const QString wants = root + "/etc/systemd/system/multi-user.target.wants/";
    for (const QString& d : {wants, root + "/var/lib/private/zulset/ttyUSB0", root + "/etc/zulset"})
      QVERIFY(QDir().mkpath(d));
    QVERIFY(QFile::link("/lib/systemd/system/zulset-log@.service",
                        wants + "zulset-log@ttyUSB0.service"));
    QVERIFY(QFile::link("/lib/systemd/system/ssh.service", wants + "ssh.service"));
    QVERIFY(QFile::link("private/zulset", root + "/var/lib/zulset"));
    for (const QString& f : {root + "/var/lib/private/zulset/ttyUSB0/admiss2026-12-09.csv",
                             root + "/etc/zulset/zulset.ini"}) {
      QFile file(f);
      QVERIFY(file.open(QIODevice::WriteOnly));
    }
    QCOMPARE(dpkgRuns("postrm", {"purge"}, false, root),
             QString("deb-systemd-helper purge zulset-log@ttyUSB0.service\n"));
    QCOMPARE(filesUnder(root), QStringList{"etc/zulset/zulset.ini"});
    QVERIFY(QFileInfo(wants + "ssh.service").isSymLink());
    QVERIFY(!QFileInfo(root + "/var/lib/zulset").isSymLink());
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
    for (const char* package :
         {"libqt6core6", "libqt6gui6", "libqt6widgets6", "libqt6serialport6", "qt6-qpa-plugins",
          "qt6-translations-l10n", "libjpeg62-turbo", "libpq5"})
      QVERIFY2(depends.contains(QLatin1String(package)), qPrintable(depends));
    const QByteArray contents = run("dpkg-deb", {"-c", deb}).out;
    for (const char* file :
         {" ./usr/bin/zulset\n", " ./usr/bin/zulset-cli\n", " ./usr/bin/zulsim\n",
          " ./usr/lib/systemd/system/zulset-log@.service\n",
          " ./usr/share/applications/zulset.desktop\n",
          " ./usr/share/icons/hicolor/256x256/apps/zulset.png\n",
          " ./usr/share/man/man1/zulset-cli.1.gz\n", " ./usr/share/zulset/translations/cs.ini\n",
          " ./usr/share/zulset/admissions.sql\n"})
      QVERIFY2(contents.contains(file), file);
    const QByteArray control = run("dpkg-deb", {"-I", deb}).out;
    for (const char* script : {"postinst", "prerm", "postrm"})
      QVERIFY2(QRegularExpression(QString("\\*\\s+%1\\s+#!/bin/sh").arg(script))
                   .match(QString::fromLatin1(control))
                   .hasMatch(),
               control.constData());

    // What a distribution asks of a package: no error and no warning of lintian.
    if (QStandardPaths::findExecutable("lintian").isEmpty()) QSKIP("lintian is not installed");
    const Run lint = run("lintian", {deb});
    QByteArrayList findings;
    for (const QByteArray& line : lint.out.split('\n'))
      if (line.startsWith("E:") || line.startsWith("W:")) findings << line;
    QVERIFY2(findings.isEmpty() && lint.code == 0, (lint.out + lint.err).constData());
  }

  // The logger's service is confined as systemd rates it: exposure 2.0 or lower alone, 2.5 or
  // lower with the shipped drop-in that opens the network to a database.
  void serviceConfined_data() {
    QTest::addColumn<QString>("dropIn");
    QTest::addColumn<double>("most");
    QTest::newRow("alone") << QString() << 2.0;
    QTest::newRow("with a database") << "zulset-log-database.conf" << 2.5;
  }
  void serviceConfined() {
    QFETCH(QString, dropIn);
    QFETCH(double, most);
    const QString analyze = QStandardPaths::findExecutable("systemd-analyze");
    if (analyze.isEmpty()) QSKIP("systemd-analyze is not installed");
    // The unit and its drop-in where systemd looks for them, under a root of the test's own.
    QTemporaryDir root;
    const QString units = root.filePath("etc/systemd/system");
    const QString packaging = fromEnv("ZUL_SOURCE_DIR") + "/packaging/";
    QVERIFY(QDir().mkpath(units + "/zulset-log@.service.d"));
    QVERIFY(QFile::copy(packaging + "zulset-log@.service", units + "/zulset-log@.service"));
    if (!dropIn.isEmpty())
      QVERIFY(QFile::copy(packaging + dropIn, units + "/zulset-log@.service.d/database.conf"));
    const Run r = run(analyze, {"security", "--offline=true", "--no-pager", "--root=" + root.path(),
                                "zulset-log@ttyUSB0.service"});
    static const QRegularExpression overall("Overall exposure level for \\S+: (\\d+\\.\\d)");
    const QRegularExpressionMatch m = overall.match(QString::fromUtf8(r.out + r.err));
    QVERIFY2(m.hasMatch(), (r.out + r.err).constData());
    qInfo("exposure %s", qPrintable(m.captured(1)));
    QVERIFY2(m.captured(1).toDouble() <= most, r.out.constData());
    // The drop-in does open the network: the rating sees it.
    if (!dropIn.isEmpty()) QVERIFY(r.out.contains("Service has access to the host's network"));
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
