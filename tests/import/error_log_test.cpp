// The line reader under every import file, the separator count of a whole file, the key of a line
// and the error log's two files.
#include "cp1252.h"
#include "error_log.h"
#include "import_fixture.h"
#include "line_reader.h"
#include "utilitarios.h"
#include "other_program.h"
#include "whole_file.h"

#include <QFileInfo>
#include <QTemporaryDir>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace klv::test {
namespace {

using namespace klv::import;

QList<QByteArray> readLines(const QString& path) {
    LineReader r(path);
    EXPECT_TRUE(r.open());
    QList<QByteArray> out;
    QByteArray line;
    while (r.next(line)) out << line;
    EXPECT_EQ(r.bytesRead(), r.size());
    return out;
}

class ErrorLogTest : public ImportTest {
protected:
    Utilitarios util;
    QString logPath() { return rutaLog(ctx().gRptPath, kRuc); }
    QString errPath() { return rutaErr(ctx().gRptPath, kRuc, true); }
};

TEST_F(ErrorLogTest, LineEndsOfEveryKindAndNoEmptyLineAfterTheLast) {
    struct Case {
        QByteArray bytes;
        QList<QByteArray> lines;
    };
    const Case cases[] = {
        {"a|\r\nb|\r\n", {"a|", "b|"}},
        {"a|\nb|", {"a|", "b|"}},
        {"a|\rb|\r", {"a|", "b|"}},
        {"a|\r\n\r\nb|", {"a|", "", "b|"}},
        {"a|\n\r\n", {"a|", ""}},
        {"", {}},
    };
    for (const Case& c : cases) EXPECT_EQ(readLines(writeFile(QStringLiteral("l.txt"), c.bytes)), c.lines) << c.bytes.toStdString();
}

TEST_F(ErrorLogTest, ALongLineKeepsWhatTheChecksReadAndACrLfMaySpanTwoBlocks) {
    const QByteArray x(kLargoMaximoLinea, 'x'), bars(28, '|');
    struct Case {
        QByteArray bytes;
        QList<QByteArray> lines;
    };
    const Case cases[] = {
        // A CR as the last byte of the first 64 KiB block, its LF the first of the next.
        {QByteArray(65535, 'x') + "\r\n" + QByteArray(200000, 'y') + "\r\nz",
         {x + "x", QByteArray(kLargoMaximoLinea, 'y') + "y", "z"}},
        {bars + QByteArray(40000, ' ') + "\r\nz", {bars + QByteArray(kLargoMaximoLinea - 28, ' '), "z"}},  // blanks past it
        {x + QByteArray(40000, 'a') + "|  ", {x + "|"}},                          // a separator past it
        {x + "|a|b\t  ", {x + "|\t"}},                                           // and what the line ends with
        {bars + QByteArray(40000, 'a'), {bars + QByteArray(kLargoMaximoLinea - 28, 'a') + "a"}},
    };
    for (const Case& c : cases) EXPECT_EQ(readLines(writeFile(QStringLiteral("big.txt"), c.bytes)), c.lines);
}

TEST_F(ErrorLogTest, ALineOfTensOfMegabytesIsStreamedToItsEnd) {
    const QString path = folder() + QStringLiteral("/endless.txt");
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    const QByteArray block(1 << 20, 'a');
    for (int i = 0; i < 40; ++i) f.write(block);
    f.write("|b");
    f.close();
    const auto lines = readLines(path);
    ASSERT_EQ(lines.size(), 1);
    EXPECT_EQ(lines[0], QByteArray(kLargoMaximoLinea, 'a') + "|b");
    EXPECT_FALSE(CuentaPye(path, 1));
}

TEST_F(ErrorLogTest, CuentaPyeWantsExactlyNSeparatorsOnEveryLine) {
    const QByteArray l28 = QByteArray(28, '|');
    struct Case {
        QByteArray bytes;
        bool ok;
    };
    const Case cases[] = {
        {l28 + "\r\n" + l28 + "\r\n", true},
        {l28 + "\n" + l28, true},
        {l28 + "\r" + l28 + "\r", true},
        {"", true},                                  // an empty file passes
        {l28 + "\r\n\r\n" + l28, false},             // an empty line fails
        {l28 + "\r\n" + QByteArray(27, '|'), false},
        {QByteArray(29, '|'), false},
        {"  " + l28 + "   ", true},                  // blanks count for nothing
        // Past character 32,767 a separator refuses the line; other characters count for nothing.
        {QByteArray(40000 - 28, 'a') + l28, false},
        {l28 + QByteArray(40000, ' '), true},
        {l28 + QByteArray(40000, 'a'), true},
    };
    for (const Case& c : cases)
        EXPECT_EQ(CuentaPye(writeFile(QStringLiteral("RUC.ifm"), c.bytes), 28), c.ok) << c.bytes.left(60).toStdString();
    EXPECT_THROW(CuentaPye(folder() + QStringLiteral("/no-existe.ifm"), 28), FileError);
}

TEST_F(ErrorLogTest, KeyFromTheFirstTwoFields) {
    EXPECT_EQ(CadDevPer(QStringLiteral("06|20100000001|EMPRESA|01|"), util), QStringLiteral("06     20100000001  "));
    EXPECT_EQ(CadDevPer(QStringLiteral("1| 4412 |X|"), util), QStringLiteral("1      4412  ").leftJustified(16));
    // A field counts only when a separator follows it.
    EXPECT_EQ(CadDevPer(QStringLiteral("6|123"), util), QStringLiteral("6      ").leftJustified(16));
}

TEST_F(ErrorLogTest, ErrorLineLayouts) {
    ErrorLog log(db(), util, logPath(), errPath());
    const QString key = QStringLiteral("06     20100000001  ");
    // With line number, key filled to 23, the built-in text.
    EXPECT_EQ(log.lineaError(key, QStringLiteral("12"), QStringLiteral("0710")),
              QStringLiteral("12     ") + key.leftJustified(23) + S("Los montos no pueden ser de más de 14 caracteres"));
    EXPECT_EQ(log.lineaError(key, QString(), QStringLiteral("0906")),
              key.leftJustified(23) + S("El tipo de documento del Informado es inválido."));
    // A key of 25 characters or more is cut to 25 (and not filled further).
    const QString longKey = QStringLiteral("06     ") + QString(30, QLatin1Char('9')) + QStringLiteral("  ");
    EXPECT_EQ(log.lineaError(longKey, QString(), QStringLiteral("0906")).left(26), longKey.left(25) + QStringLiteral("E"));
}

TEST_F(ErrorLogTest, BuiltInTextWinsThenTableThenDefault) {
    db().exec(QStringLiteral("UPDATE Error SET DescError='TEXTO DE LA TABLA' WHERE coderror='0710'"));
    db().exec(QStringLiteral("INSERT INTO Error (coderror, DescError) VALUES ('9999', 'SOLO EN LA TABLA')"));
    ErrorLog log(db(), util, logPath(), errPath());
    EXPECT_EQ(log.mensaje(QStringLiteral("0710")), S("Los montos no pueden ser de más de 14 caracteres"));
    EXPECT_EQ(log.mensaje(QStringLiteral("9999")), QStringLiteral("SOLO EN LA TABLA"));
    EXPECT_EQ(log.mensaje(QStringLiteral("1234")), QStringLiteral("Otro Error : Verifique Estructura de Tablas y datos a transferir"));
}

TEST_F(ErrorLogTest, EmptyErrorTableGivesTheTenCharacterLayout) {
    db().exec(QStringLiteral("DELETE FROM Error"));
    ErrorLog log(db(), util, logPath(), errPath());
    const QString other = QStringLiteral("Otro Error : Verifique Estructura de Tablas y datos a transferir");
    EXPECT_EQ(log.lineaError(QStringLiteral("06     20100000001  "), QStringLiteral("3"), QStringLiteral("0710")),
              QStringLiteral("06     201") + QString(14, QLatin1Char(' ')) + other);
    EXPECT_EQ(log.lineaError(QStringLiteral("  6  "), QString(), QStringLiteral("0906")),
              QStringLiteral("6         ") + QString(14, QLatin1Char(' ')) + other);
}

TEST_F(ErrorLogTest, FirstLineOfARunEmptiesTheFilesLaterOnesAppendBytesKept) {
    writeFile(QFileInfo(logPath()).fileName(), "OLD LOG\r\n", QFileInfo(logPath()).path());
    writeFile(QFileInfo(errPath()).fileName(), "OLD ERR\r\n", QFileInfo(errPath()).path());
    const QByteArray raw1("6|PE\xd1" "A|\xf1o|");  // ñ and Ñ in Windows-1252
    {
        ErrorLog log(db(), util, logPath(), errPath());
        EXPECT_FALSE(log.iniciado());
        ASSERT_TRUE(log.GraboLog(raw1, CadDevPer(cp1252::decode(raw1), util), QStringLiteral("1"), QStringLiteral("0653")));
        ASSERT_TRUE(log.GraboLog("x|", QStringLiteral("x"), QStringLiteral("2"), QStringLiteral("0600")));
        EXPECT_TRUE(log.iniciado());
    }
    EXPECT_EQ(readAll(logPath()), raw1 + "\r\nx|\r\n");
    const QByteArray err = readAll(errPath());
    EXPECT_TRUE(err.startsWith("1      6      PE\xd1" "A  "));
    EXPECT_EQ(err.count("\r\n"), 2);
    // The next run starts both files afresh.
    ErrorLog again(db(), util, logPath(), errPath());
    ASSERT_TRUE(again.GraboLog("y|", QStringLiteral("y"), QString(), QStringLiteral("0600")));
    EXPECT_EQ(readAll(logPath()), QByteArray("y|\r\n"));
}

TEST_F(ErrorLogTest, ALogThatCannotBeWrittenStopsWithItsMessage) {
    QDir().mkpath(logPath());  // a folder where the log should be
    ErrorLog log(db(), util, logPath(), errPath());
    EXPECT_FALSE(log.GraboLog("x|", QStringLiteral("x"), QString(), QStringLiteral("0600")));
    EXPECT_TRUE(log.failure().startsWith(QStringLiteral("Error tecnico:  7"))) << log.failure().toStdString();
    EXPECT_TRUE(log.failure().endsWith(QStringLiteral("\nIntente nuevamente por favor.")));
    EXPECT_EQ(textoFallaLog(70, QStringLiteral("Permiso denegado"), QStringLiteral("/x/RPT1.Log")),
              QStringLiteral("Permiso denegado\nCierre el Archivo /x/RPT1.Log\nIntente nuevamente por favor."));
    EXPECT_EQ(fileError(EACCES).number, 70);
}

TEST_F(ErrorLogTest, AFileTheUserMayNotWriteStopsTheRunAndKeepsItsLines) {
    // The log, then the error file, read-only in a folder the user may write: the first line of a
    // run is refused with the message that names the log, and the earlier lines stay.
    QTemporaryDir dir;
    ASSERT_EQ(::chmod(QFile::encodeName(dir.path()).constData(), 0777), 0);
    const QString log = dir.filePath(QStringLiteral("RPT1.Log")), err = dir.filePath(QStringLiteral("RPT1T.Err"));
    for (const QString& readOnly : {log, err}) {
        SCOPED_TRACE(readOnly.toStdString());
        for (const QString& f : {log, err}) {
            writeFile(QFileInfo(f).fileName(), "OLD\r\n", dir.path());
            ASSERT_EQ(::chmod(QFile::encodeName(f).constData(), f == readOnly ? 0444 : 0666), 0);
        }
        ErrorLog grabo(db(), util, log, err);
        grabo.mensaje(QStringLiteral("0600"));  // the table read here: the user below reads no database
        const QString expected = S("Permiso denegado\nCierre el Archivo ") + log + S("\nIntente nuevamente por favor.");
        EXPECT_EQ(asOrdinaryUser([&] {
                      if (grabo.GraboLog("x|", QStringLiteral("x"), QString(), QStringLiteral("0600"))) return 1;
                      return grabo.failure() == expected ? 0 : 2;
                  }),
                  0);
        EXPECT_EQ(readAll(readOnly), QByteArray("OLD\r\n"));
        QFile::remove(log);
        QFile::remove(err);
    }
}

TEST_F(ErrorLogTest, ALinkAtTheLogOrErrorFileIsRefusedAndWhatItNamesKept) {
    // A symbolic or a hard link at either name: the run stops, the file linked to keeps its bytes.
    const QString elsewhere = env().root() + QStringLiteral("/elsewhere/target");
    const QString refused = S("Error tecnico:  75\nError de acceso a la ruta o el archivo\nIntente nuevamente por favor.");
    for (const bool hard : {false, true}) {
        for (const QString& linked : {logPath(), errPath()}) {
            SCOPED_TRACE((hard ? "hard link at " : "symbolic link at ") + linked.toStdString());
            QFile::remove(logPath());
            QFile::remove(errPath());
            writeFile(QStringLiteral("target"), "not yours\r\n", QFileInfo(elsewhere).path());
            ASSERT_EQ(hard ? ::link(QFile::encodeName(elsewhere).constData(), QFile::encodeName(linked).constData())
                           : ::symlink(QFile::encodeName(elsewhere).constData(), QFile::encodeName(linked).constData()),
                      0);
            ErrorLog grabo(db(), util, logPath(), errPath());
            EXPECT_FALSE(grabo.GraboLog("x|", QStringLiteral("x"), QString(), QStringLiteral("0600")));
            EXPECT_EQ(grabo.failure(), refused);
            EXPECT_EQ(readAll(elsewhere), QByteArray("not yours\r\n"));
        }
    }
}

// A pipe (read by someone or not) or a device at either name: the run stops at once, as for a link,
// and nothing goes into it.
TEST_F(ErrorLogTest, APipeOrADeviceAtTheLogOrErrorFileIsNeitherWaitedOnNorWrittenTo) {
    const QString refused = S("Error tecnico:  75\nError de acceso a la ruta o el archivo\nIntente nuevamente por favor.");
    const struct {
        const char* what;
        bool pipe, read;
    } kinds[] = {{"a pipe nobody reads", true, false}, {"a pipe being read", true, true}, {"a device", false, false}};
    for (const auto& kind : kinds) {
        for (const QString& planted : {logPath(), errPath()}) {
            SCOPED_TRACE(std::string(kind.what) + " at " + planted.toStdString());
            QFile::remove(logPath());
            QFile::remove(errPath());
            const QByteArray name = QFile::encodeName(planted);
            if (kind.pipe) {
                ASSERT_EQ(::mkfifo(name.constData(), 0666), 0);
            } else if (::mknod(name.constData(), S_IFCHR | 0666, makedev(1, 3)) != 0) {
                continue;  // a device is the superuser's to make
            }
            const int reader = kind.read ? ::open(name.constData(), O_RDONLY | O_NONBLOCK) : -1;
            ErrorLog grabo(db(), util, logPath(), errPath());
            EXPECT_FALSE(grabo.GraboLog("x|", QStringLiteral("x"), QString(), QStringLiteral("0600")));
            if (kind.pipe) {
                EXPECT_EQ(grabo.failure(), refused);  // a device may be refused at its open instead
            }
            if (reader >= 0) {
                char byte = 0;
                EXPECT_LE(::read(reader, &byte, 1), 0);
                ::close(reader);
            }
        }
    }
}

}  // namespace
}  // namespace klv::test
