#include "Harness.h"

#include "RawReplay.h"
#include "data/Database.h"
#include "data/DatabaseError.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QSysInfo>
#include <QThread>
#include <algorithm>
#include <cstdio>
#include <malloc.h>
#include <stdexcept>

Harness::Harness(QString title)
    : m_title(std::move(title)) {}

void Harness::useTheProgramsTimeZone() {
    if (qEnvironmentVariableIsEmpty("TZ") && QFile::exists(QStringLiteral("/etc/localtime"))) {
        qputenv("TZ", ":/etc/localtime");
    }
}

void Harness::setRuns(int runs) {
    m_runs = std::max(1, runs);
}

void Harness::setWarmups(int warmups) {
    m_warmups = std::max(0, warmups);
}

void Harness::note(const QString& key, const QVariant& value) {
    m_notes.emplace_back(key, value);
}

const Harness::Figure& Harness::time(const QString& name, const std::function<void()>& work,
                                     int runs) {
    return measure(name, runs, [&work]() -> qint64 {
        work();
        return -1;
    });
}

const Harness::Figure& Harness::time(const QString& name, Database& database,
                                     const std::function<void()>& work, int runs) {
    return measure(name, runs, [&]() -> qint64 {
        const quint64 before = database.statementCount();
        work();
        return qint64(database.statementCount() - before);
    });
}

const Harness::Figure& Harness::timeCounted(const QString& name,
                                            const std::function<quint64()>& work, int runs) {
    return measure(name, runs, [&work]() -> qint64 { return qint64(work()); });
}

std::vector<double> Harness::timeRuns(int runs, const std::function<qint64()>& work,
                                      std::vector<double>* statements) {
    const int count = runs > 0 ? runs : m_runs;
    for (int i = 0; i < m_warmups; ++i) {
        work();
    }
    std::vector<double> times;
    times.reserve(std::size_t(count));
    for (int i = 0; i < count; ++i) {
        QElapsedTimer timer;
        timer.start();
        const qint64 sent = work();
        times.push_back(double(timer.nsecsElapsed()) / 1e6);
        if (sent >= 0 && statements != nullptr) {
            statements->push_back(double(sent));
        }
    }
    return times;
}

const Harness::Figure& Harness::measure(const QString& name, int runs,
                                        const std::function<qint64()>& work) {
    std::vector<double> statements;
    const std::vector<double> times = timeRuns(runs, work, &statements);
    Figure figure;
    figure.name = name;
    figure.unit = QStringLiteral("ms");
    figure.runs = int(times.size());
    figure.median = median(times);
    figure.min = *std::min_element(times.begin(), times.end());
    figure.max = *std::max_element(times.begin(), times.end());
    if (!statements.empty()) {
        figure.statements = qint64(median(statements));
    }
    m_figures.push_back(figure);
    return m_figures.back();
}

const Harness::Figure& Harness::timeAgainstRaw(const QString& name, Database& database,
                                               RawReplay& raw, const std::function<void()>& work,
                                               int runs) {
    time(name, database, work, runs);
    std::vector<SentStatement> sent;
    {
        StatementLog log(database);
        work();
        sent = log.take();
    }
    raw.load(sent);
    replay([&raw] { return raw.run(); }, runs);
    return m_figures.back();
}

void Harness::replay(const std::function<quint64()>& rawWork, int runs) {
    if (m_figures.empty()) {
        throw std::logic_error("Raw SQL is measured beside a figure");
    }
    const std::vector<double> times = timeRuns(
        runs,
        [&rawWork]() -> qint64 {
            rawWork();
            return -1;
        },
        nullptr);
    m_figures.back().raw = median(times);
}

void Harness::budget(double limit) {
    if (m_figures.empty()) {
        throw std::logic_error("A budget belongs to a figure");
    }
    m_figures.back().budget = limit;
}

const Harness::Figure& Harness::memory(const QString& name) {
    return recordKiB(name, residentKiB());
}

const Harness::Figure& Harness::peakMemory(const QString& name) {
    return recordKiB(name, statusKiB("VmHWM:"));
}

const Harness::Figure& Harness::recordKiB(const QString& name, qint64 kib) {
    return amount(name, QStringLiteral("KiB"), double(kib));
}

const Harness::Figure& Harness::amount(const QString& name, const QString& unit, double value) {
    Figure figure;
    figure.name = name;
    figure.unit = unit;
    figure.runs = 1;
    figure.median = figure.min = figure.max = value;
    m_figures.push_back(figure);
    return m_figures.back();
}

qint64 Harness::allocatedBytes() {
    const struct mallinfo2 info = mallinfo2();
    return qint64(info.uordblks + info.hblkhd);
}

double Harness::median(std::vector<double> values) {
    if (values.empty()) {
        return 0;
    }
    std::sort(values.begin(), values.end());
    const std::size_t middle = values.size() / 2;
    if (values.size() % 2 == 1) {
        return values[middle];
    }
    return (values[middle - 1] + values[middle]) / 2;
}

qint64 Harness::residentKiB() {
    return statusKiB("VmRSS:");
}

qint64 Harness::statusKiB(const char* field) {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly | QIODevice::Text)) {
        return -1;
    }
    // The file reports a size of 0, so atEnd() is true before anything is read: read lines
    // until one comes back empty.
    for (QByteArray line = status.readLine(); !line.isEmpty(); line = status.readLine()) {
        if (line.startsWith(field)) {
            const QList<QByteArray> parts = line.mid(qstrlen(field)).simplified().split(' ');
            bool ok = false;
            const qint64 kib = parts.value(0).toLongLong(&ok); // the kernel writes "kB"
            return ok ? kib : -1;
        }
    }
    return -1;
}

namespace {

QString number(double value, const QString& unit) {
    if (unit == QLatin1String("ms")) {
        return QString::number(value, 'f', 3);
    }
    return QString::number(qint64(value));
}

} // namespace

QString Harness::table() const {
    const QStringList headers = {QStringLiteral("Figure"),     QStringLiteral("Median"),
                                 QStringLiteral("Min"),        QStringLiteral("Max"),
                                 QStringLiteral("Unit"),       QStringLiteral("Runs"),
                                 QStringLiteral("Statements"), QStringLiteral("Raw SQL"),
                                 QStringLiteral("Ratio"),      QStringLiteral("Budget")};
    const QString none = QStringLiteral("-");
    std::vector<QStringList> rows;
    for (const Figure& figure : m_figures) {
        // A figure over its budget, or more than twice its raw SQL, is marked with "!".
        const QString ratio =
            figure.raw > 0 ? QString::number(figure.ratio(), 'f', 2) +
                                 (figure.ratio() > RatioBudget ? QStringLiteral("!") : QString())
                           : none;
        const QString budget =
            figure.budget > 0
                ? QString::number(figure.budget) +
                      (figure.median > figure.budget ? QStringLiteral("!") : QString())
                : none;
        rows.push_back({figure.name, number(figure.median, figure.unit),
                        number(figure.min, figure.unit), number(figure.max, figure.unit),
                        figure.unit, QString::number(figure.runs),
                        figure.statements < 0 ? none : QString::number(figure.statements),
                        figure.raw > 0 ? number(figure.raw, figure.unit) : none, ratio, budget});
    }
    std::vector<qsizetype> widths(std::size_t(headers.size()));
    for (qsizetype c = 0; c < headers.size(); ++c) {
        widths[std::size_t(c)] = headers.at(c).size();
        for (const QStringList& row : rows) {
            widths[std::size_t(c)] = std::max(widths[std::size_t(c)], row.at(c).size());
        }
    }
    auto line = [&](const QStringList& cells) {
        QString text;
        for (qsizetype c = 0; c < cells.size(); ++c) {
            const int width = int(widths[std::size_t(c)]);
            // Names and units read left to right; numbers line up on their last digit.
            const bool left = c == 0 || c == 4;
            if (c > 0) {
                text += QStringLiteral("  ");
            }
            text += left ? cells.at(c).leftJustified(width) : cells.at(c).rightJustified(width);
        }
        return text.trimmed() + QLatin1Char('\n');
    };
    QString out = m_title + QLatin1Char('\n');
    for (const auto& [key, value] : m_notes) {
        out += QStringLiteral("  %1: %2\n").arg(key, value.toString());
    }
    out += line(headers);
    qsizetype total = 0;
    for (qsizetype width : widths) {
        total += width;
    }
    out += QString(total + 2 * (widths.size() - 1), QLatin1Char('-')) + QLatin1Char('\n');
    for (const QStringList& row : rows) {
        out += line(row);
    }
    out += QStringLiteral("Raw SQL: the figure's own statements replayed through the engine's C "
                          "library in a bare loop; Ratio: median over raw SQL, held to %1; "
                          "\"!\": over.\n")
               .arg(RatioBudget, 0, 'f', 1);
    return out;
}

QJsonObject Harness::json() const {
    QJsonObject notes;
    for (const auto& [key, value] : m_notes) {
        notes.insert(key, QJsonValue::fromVariant(value));
    }
    QJsonArray figures;
    for (const Figure& figure : m_figures) {
        QJsonObject entry{
            {QStringLiteral("name"), figure.name},     {QStringLiteral("unit"), figure.unit},
            {QStringLiteral("median"), figure.median}, {QStringLiteral("min"), figure.min},
            {QStringLiteral("max"), figure.max},       {QStringLiteral("runs"), figure.runs}};
        if (figure.statements >= 0) {
            entry.insert(QStringLiteral("statements"), figure.statements);
        }
        if (figure.raw > 0) {
            entry.insert(QStringLiteral("raw"), figure.raw);
            entry.insert(QStringLiteral("ratio"), figure.ratio());
        }
        if (figure.budget > 0) {
            entry.insert(QStringLiteral("budget"), figure.budget);
        }
        figures.append(entry);
    }
    return {{QStringLiteral("title"), m_title},
            {QStringLiteral("measured"), QDateTime::currentDateTimeUtc().toString(Qt::ISODate)},
            {QStringLiteral("machine"),
             QJsonObject{{QStringLiteral("host"), QSysInfo::machineHostName()},
                         {QStringLiteral("system"), QSysInfo::prettyProductName()},
                         {QStringLiteral("cpus"), QThread::idealThreadCount()},
                         {QStringLiteral("qt"), QString::fromLatin1(qVersion())}}},
            {QStringLiteral("notes"), notes},
            {QStringLiteral("figures"), figures}};
}

void Harness::writeJson(const QString& path) const {
    const QFileInfo info(path);
    QDir().mkpath(info.absolutePath());
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        throw std::runtime_error(
            QStringLiteral("Cannot write %1: %2").arg(path, file.errorString()).toStdString());
    }
    const QByteArray text = QJsonDocument(json()).toJson(QJsonDocument::Indented);
    if (file.write(text) != text.size() || !file.flush()) {
        throw std::runtime_error(
            QStringLiteral("Cannot write %1: %2").arg(path, file.errorString()).toStdString());
    }
}

int Harness::runProgram(const QString& title, const QString& description,
                        const std::function<void(Harness&, const QString& database)>& figures) {
    auto fail = [](const QString& text) {
        std::fputs(qPrintable(QCoreApplication::applicationName() + QStringLiteral(": ") + text +
                              QLatin1Char('\n')),
                   stderr);
        return 1;
    };
    QCommandLineParser parser;
    parser.setApplicationDescription(description);
    parser.addHelpOption();
    const QCommandLineOption databaseOption(
        QStringLiteral("database"),
        QStringLiteral("The reference database (made by generate): a file, or a postgresql:// URL "
                       "of a database copy_reference filled."),
        QStringLiteral("PATH"), QStringLiteral("bench/data/reference.db"));
    const QCommandLineOption jsonOption(QStringLiteral("json"),
                                        QStringLiteral("Also write the figures to this file."),
                                        QStringLiteral("FILE"));
    const QCommandLineOption runsOption(QStringLiteral("runs"),
                                        QStringLiteral("Timed runs per figure (default 11)."),
                                        QStringLiteral("N"), QStringLiteral("11"));
    parser.addOption(databaseOption);
    parser.addOption(jsonOption);
    parser.addOption(runsOption);
    parser.process(*QCoreApplication::instance());

    bool ok = false;
    const int runs = parser.value(runsOption).toInt(&ok);
    if (!ok || runs < 1) {
        return fail(QStringLiteral("--runs takes a whole number of at least 1."));
    }
    Harness harness(title);
    harness.setRuns(runs);
    try {
        figures(harness, parser.value(databaseOption));
        std::fputs(qPrintable(harness.table()), stdout);
        if (parser.isSet(jsonOption)) {
            harness.writeJson(parser.value(jsonOption));
        }
    } catch (const DatabaseError& error) {
        return fail(error.message());
    } catch (const std::exception& error) {
        return fail(QString::fromLocal8Bit(error.what()));
    }
    return 0;
}
