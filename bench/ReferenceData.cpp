#include "ReferenceData.h"

#include "data/Database.h"
#include "data/TimeText.h"

#include <QFile>
#include <QLocale>
#include <QRandomGenerator>
#include <QSet>
#include <QStringList>
#include <algorithm>
#include <cmath>
#include <stdexcept>
#include <vector>

namespace {

// Time rows are written in slices, each its own transaction, so the write-ahead log stays small.
constexpr int TimeRowsPerTransaction = 100000;
// A person logs at most this many stretches on one day.
constexpr int MaxRowsPerUserDay = 10;
// The working day ends here; the last stretches of a busy day are squeezed to fit before it.
constexpr int EndOfDayMinute = 22 * 60;
// Category weights fall off as rank^-Skew: with 2,000 categories the busiest gets about one row
// in twenty, a long tail gets a handful.
constexpr double Skew = 0.8;

const char* const GivenNames[] = {
    "Ada",   "Alan",   "Amira", "Ben",    "Carla", "Chen",  "Dana", "David", "Elena", "Emil",
    "Farah", "Felix",  "Grace", "Hamid",  "Hanna", "Ivan",  "Jana", "Jonas", "Kai",   "Laila",
    "Lena",  "Luis",   "Maja",  "Marco",  "Mei",   "Nadia", "Noah", "Olga",  "Omar",  "Paula",
    "Pedro", "Priya",  "Quinn", "Rafael", "Rosa",  "Sami",  "Sara", "Tariq", "Tom",   "Uma",
    "Vera",  "Viktor", "Wen",   "Xavier", "Yara",  "Yusuf", "Zoe",  "Ines",  "Ravi",  "Nora"};
const char* const FamilyNames[] = {
    "Adams",  "Bauer",  "Costa",   "Dubois",  "Evans",   "Fischer", "Garcia", "Hansen", "Ito",
    "Jensen", "Kowal",  "Larsen",  "Moreau",  "Novak",   "Okafor",  "Petrov", "Quist",  "Rossi",
    "Silva",  "Tanaka", "Ulrich",  "Varga",   "Walsh",   "Xu",      "Yilmaz", "Zhang",  "Berg",
    "Cohen",  "Dahl",   "Engel",   "Ferrari", "Gupta",   "Horvat",  "Iqbal",  "Kim",    "Lund",
    "Meyer",  "Nagy",   "Olsen",   "Park",    "Reyes",   "Schmidt", "Torres", "Vogel",  "Weber",
    "Young",  "Ahmed",  "Brennan", "Castro",  "Nakamura"};
const char* const Roles[] = {"Consultant",      "Developer",       "Designer",   "Analyst",
                             "Project manager", "Tester",          "Accountant", "Support engineer",
                             "Team lead",       "Technical writer"};
const char* const Teams[] = {"Delivery",        "Platform", "Finance",
                             "Client services", "Research", "Operations"};

const char* const Clients[] = {"Northwind", "Bluebird",  "Harbour",    "Summit",  "Meridian",
                               "Lakeside",  "Ironwood",  "Silverline", "Redfern", "Oakridge",
                               "Crescent",  "Evergreen", "Falcon",     "Granite", "Horizon"};
const char* const ClientKinds[] = {"Trading", "Logistics", "Health", "Foods",
                                   "Energy",  "Insurance", "Media",  "Bank"};
const char* const Projects[] = {"Website relaunch", "ERP migration",   "Annual audit",
                                "Mobile app",       "Data warehouse",  "Support contract",
                                "Office move",      "Security review", "Brand refresh",
                                "Billing system",   "Training",        "Intranet"};
const char* const Streams[] = {"Design",   "Development",   "Testing",     "Meetings",
                               "Planning", "Documentation", "Support",     "Reporting",
                               "Travel",   "Research",      "Procurement", "Deployment"};
const char* const Steps[] = {"Phase", "Sprint", "Milestone", "Release", "Iteration", "Stage"};
const char* const Tasks[] = {"Review",      "Estimates",    "Bug fixing", "Workshops",
                             "Prototyping", "Requirements", "Handover",   "Follow-up",
                             "Analysis",    "Rework",       "Sign-off",   "Coordination"};

const char* const Applications[] = {
    "LibreOffice Writer", "LibreOffice Calc",   "Mozilla Firefox", "Thunderbird", "GIMP",
    "Inkscape",           "Visual Studio Code", "Terminal",        "Files"};
const char* const Documents[] = {"Quarterly report", "Budget 2026", "Minutes",   "Proposal",
                                 "Invoice 1042",     "Roadmap",     "Timesheet", "Release notes",
                                 "Contract draft",   "Team rota"};

template <typename T, std::size_t N>
constexpr int countOf(const T (&)[N]) {
    return int(N);
}

// The seeded source of every choice. Only this engine's exactly specified sequence is used (no
// platform distribution), so a seed means the same rows everywhere.
class Dice {
public:
    explicit Dice(quint32 seed)
        : m_engine(seed) {}

    // A whole number from low to high, both included.
    int between(int low, int high) {
        if (high <= low) {
            return low;
        }
        return low + int(m_engine.bounded(quint32(high - low) + 1));
    }
    double unit() { return m_engine.generateDouble(); }
    bool chance(double probability) { return unit() < probability; }
    template <typename T, std::size_t N>
    QString pick(const T (&list)[N]) {
        return QString::fromUtf8(list[between(0, int(N) - 1)]);
    }

private:
    QRandomGenerator m_engine;
};

struct UserPlan {
    QString name;
    QDateTime created;
    QString details;
    QVariant email; // null for some, as people leave it out
    bool active = false;
};

struct CategoryPlan {
    int id = 0;
    QString name;
    QString description;
    QVariant folder;
    int rate = 0;
    int productivityId = 2;
    int parentIndex = -1;
    int depth = 1;
    QDate start;
    int managerIndex = -1; // index into users, -1 for no manager
    int minAllocation = 0;
    int maxAllocation = 0;
    int minPeriodId = 1;
    int maxPeriodId = 1;
};

struct TimePlan {
    int day = 0;         // days after the first day of the span
    int startSecond = 0; // of the day
    int minutes = 0;
    int categoryIndex = 0;
    int userIndex = 0;
};

const int PeriodDays[] = {0, 1, 7, 14, 30, 91, 365};

// Hours that make sense per period: a day holds a few, a year a great many.
int hoursFor(Dice& dice, int periodId) {
    switch (periodId) {
    case 1:
        return dice.between(1, 8);
    case 2:
        return dice.between(2, 40);
    case 3:
        return dice.between(4, 80);
    case 4:
        return dice.between(8, 160);
    case 5:
        return dice.between(20, 480);
    default:
        return dice.between(50, 2000);
    }
}

class Generator {
public:
    Generator(Database& database, const ReferenceData::Options& options)
        : m_database(database)
        , m_dice(options.seed)
        , m_counts(ReferenceData::Counts::scaled(options.scale, options.people))
        , m_reference(ReferenceData::referenceTime())
        , m_firstDay(m_reference.date().addYears(-ReferenceData::Years)) {}

    ReferenceData::Summary run() {
        if (m_database.engine() == Database::Engine::SQLite) {
            // A large page cache for this one connection: the indexes on the time table take
            // rows for thousands of categories at once.
            m_database.execute(QStringLiteral("PRAGMA cache_size = -262144"));
        }
        planUsers();
        planCategories();
        describeCategories();
        m_database.transaction([this] {
            writeUsers();
            writeCategories();
        });
        planTimes();
        writeTimes();
        writeOpenTimes();
        writeNotifications();
        writeProcesses();
        return summary();
    }

private:
    static QString personName(int combination) {
        const int given = countOf(GivenNames);
        const int family = countOf(FamilyNames);
        const int initial = combination / (given * family);
        QString name = QString::fromUtf8(GivenNames[combination % given]) + QLatin1Char(' ');
        if (initial > 0) {
            name += QChar(u'A' + initial - 1) + QStringLiteral(". ");
        }
        return name + QString::fromUtf8(FamilyNames[(combination / given) % family]);
    }

    // Users: the benchmark user first, then people with distinct names; a few of them are at
    // work in other instances right now.
    void planUsers() {
        // Beyond the plain first and last names, a middle initial tells people apart; a team
        // the plain names can hold draws exactly as it always did.
        const int plain = countOf(GivenNames) * countOf(FamilyNames);
        const int combinations = m_counts.users - 1 > plain ? plain * 27 : plain;
        if (m_counts.users - 1 > combinations) {
            throw std::invalid_argument("Too many users for the name lists");
        }
        QSet<int> used;
        for (int i = 0; i < m_counts.users; ++i) {
            UserPlan user;
            if (i == 0) {
                user.name = ReferenceData::BenchmarkUserName;
                user.email = QStringLiteral("benchmark@example.com");
                user.details = QStringLiteral("Runs the benchmarks");
            } else {
                int combination = m_dice.between(0, combinations - 1);
                while (used.contains(combination)) {
                    combination = m_dice.between(0, combinations - 1);
                }
                used.insert(combination);
                user.name = personName(combination);
                if (m_dice.chance(0.85)) {
                    user.email = user.name.toLower()
                                     .remove(QLatin1Char('.'))
                                     .replace(QLatin1Char(' '), QLatin1Char('.')) +
                                 QStringLiteral("@example.com");
                }
                const QString role = m_dice.pick(Roles);
                const QString team = m_dice.pick(Teams);
                user.details = role + QStringLiteral(", ") + team;
            }
            const QDate joined = m_firstDay.addDays(-m_dice.between(1, 60));
            user.created = QDateTime(joined, QTime(8, 0).addSecs(m_dice.between(0, 9 * 3600)));
            m_users.push_back(user);
        }
        QList<int> others;
        for (int i = 1; i < m_counts.users; ++i) {
            others.append(i);
        }
        for (int i = 0; i < m_counts.activeUsers && !others.isEmpty(); ++i) {
            const int index = others.takeAt(m_dice.between(0, int(others.size()) - 1));
            m_activeUsers.append(index);
            m_users[std::size_t(index)].active = true;
        }
        std::sort(m_activeUsers.begin(), m_activeUsers.end());
    }

    void writeUsers() {
        m_userIds.assign(m_users.size(), 0);
        for (std::size_t i = 0; i < m_users.size(); ++i) {
            const UserPlan& user = m_users[i];
            m_userIds[i] = int(m_database.insert(
                QStringLiteral("insert into \"user\" (userName, created, details, email, active) "
                               "values (?, ?, ?, ?, ?)"),
                {user.name, user.created, user.details, user.email, user.active},
                QStringLiteral("userId")));
        }
    }

    // The tree: the first five categories form one chain to the deepest level, so every scale
    // has a full-depth branch; the rest hang under parents one level up, most of them deep.
    void planCategories() {
        const double levelWeights[] = {0.03, 0.12, 0.25, 0.30, 0.30};
        std::vector<std::vector<int>> byDepth(ReferenceData::MaxDepth + 1);
        const int lastStartDay = int(m_firstDay.daysTo(m_reference.date())) - 30;
        for (int i = 0; i < m_counts.categories; ++i) {
            CategoryPlan plan;
            if (i < ReferenceData::MaxDepth) {
                plan.depth = i + 1;
                plan.parentIndex = i - 1;
            } else {
                double roll = m_dice.unit();
                plan.depth = ReferenceData::MaxDepth;
                for (int level = 0; level < ReferenceData::MaxDepth; ++level) {
                    if (roll < levelWeights[level]) {
                        plan.depth = level + 1;
                        break;
                    }
                    roll -= levelWeights[level];
                }
                if (plan.depth > 1) {
                    const std::vector<int>& parents = byDepth[std::size_t(plan.depth - 1)];
                    plan.parentIndex =
                        parents[std::size_t(m_dice.between(0, int(parents.size()) - 1))];
                }
            }
            if (plan.parentIndex < 0) {
                plan.start = m_firstDay.addDays(i == 0 ? 0 : m_dice.between(0, 60));
            } else {
                // Sub-projects begin after their parents, most of them soon after.
                const QDate parentStart = m_plans[std::size_t(plan.parentIndex)].start;
                const int room = std::max(0, lastStartDay - int(m_firstDay.daysTo(parentStart)));
                const double early = m_dice.unit();
                plan.start = parentStart.addDays(int(std::min(400, room) * early * early));
            }
            if (i == 0) {
                plan.managerIndex = 0; // the benchmark user always manages something
            } else if (m_dice.chance(0.85)) {
                plan.managerIndex = m_dice.chance(0.03) ? 0 : m_dice.between(0, m_counts.users - 1);
            }
            const int kind = m_dice.between(0, 99); // none, minimum only, maximum only, both
            plan.minPeriodId = m_dice.between(1, 6);
            plan.maxPeriodId = m_dice.chance(0.5) ? plan.minPeriodId : m_dice.between(1, 6);
            if (kind >= 35 && kind < 55) {
                plan.minAllocation = hoursFor(m_dice, plan.minPeriodId);
            } else if (kind >= 55 && kind < 75) {
                plan.maxAllocation = hoursFor(m_dice, plan.maxPeriodId);
            } else if (kind >= 75) {
                plan.minAllocation = hoursFor(m_dice, plan.minPeriodId);
                plan.maxAllocation = hoursFor(m_dice, plan.maxPeriodId);
                if (plan.maxPeriodId == plan.minPeriodId &&
                    plan.maxAllocation <= plan.minAllocation) {
                    plan.maxAllocation = plan.minAllocation + m_dice.between(1, 10);
                }
            }
            byDepth[std::size_t(plan.depth)].push_back(i);
            m_plans.push_back(plan);
        }
    }

    QString categoryName(const CategoryPlan& plan, int index) {
        switch (plan.depth) {
        case 1: {
            if (index == 0) {
                return QStringLiteral("Internal");
            }
            const QString client = m_dice.pick(Clients);
            return client + QLatin1Char(' ') + m_dice.pick(ClientKinds);
        }
        case 2:
            return m_dice.pick(Projects);
        case 3:
            return m_dice.pick(Streams);
        case 4: {
            const QString step = m_dice.pick(Steps);
            return step + QLatin1Char(' ') + QString::number(m_dice.between(1, 20));
        }
        default:
            return m_dice.pick(Tasks);
        }
    }

    // Names, texts and numbers as people fill in the editor: some with a folder or a rate, most
    // rated "Normal" or "Productive".
    void describeCategories() {
        for (std::size_t i = 0; i < m_plans.size(); ++i) {
            CategoryPlan& plan = m_plans[i];
            plan.name = categoryName(plan, int(i));
            if (!m_dice.chance(0.4)) {
                plan.description =
                    QStringLiteral("%1, started %2")
                        .arg(plan.name, QLocale::c().toString(plan.start, TimeText::DD_MMM_YYYY));
            }
            if (m_dice.chance(0.25)) {
                QString slug = plan.name.toLower();
                slug.replace(QLatin1Char(' '), QLatin1Char('-'));
                plan.folder = QStringLiteral("/srv/projects/%1-%2").arg(slug).arg(i + 1);
            }
            plan.rate = m_dice.chance(0.4) ? 0 : 5 * m_dice.between(4, 40);
            plan.productivityId = std::min(4, std::max(1, m_dice.between(0, 5)));
        }
    }

    void writeCategories() {
        for (CategoryPlan& plan : m_plans) {
            const int owner = plan.managerIndex < 0 ? 0 : m_userIds[std::size_t(plan.managerIndex)];
            const int parentId =
                plan.parentIndex < 0 ? 0 : m_plans[std::size_t(plan.parentIndex)].id;
            plan.id = int(m_database.insert(
                QStringLiteral("insert into category (category, parentId, description, "
                               "minAllocation, maxAllocation, minAllocationPeriodId, "
                               "maxAllocationPeriodId, chargingRate, folder, ownerUserId, "
                               "productivityId, startDate) "
                               "values (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"),
                {plan.name, parentId, plan.description, plan.minAllocation, plan.maxAllocation,
                 plan.minPeriodId, plan.maxPeriodId, plan.rate, plan.folder, owner,
                 plan.productivityId, QDateTime(plan.start, QTime(0, 0))},
                QStringLiteral("categoryId")));
        }
    }

    // Weights by a shuffled rank, the heaviest given to a category that exists from the first
    // month so that its share is not lost to the days before the others begin.
    void rankCategories() {
        const int count = int(m_plans.size());
        std::vector<int> order(static_cast<std::size_t>(count));
        for (int i = 0; i < count; ++i) {
            order[std::size_t(i)] = i;
        }
        for (int i = count - 1; i > 0; --i) {
            std::swap(order[std::size_t(i)], order[std::size_t(m_dice.between(0, i))]);
        }
        QList<int> early;
        for (int i = 0; i < count; ++i) {
            if (m_firstDay.daysTo(m_plans[std::size_t(i)].start) <= 30) {
                early.append(i);
            }
        }
        m_busiestIndex = early.at(m_dice.between(0, int(early.size()) - 1));
        const auto busiest = std::find(order.begin(), order.end(), m_busiestIndex);
        std::swap(*busiest, order.front());
        m_startDays.assign(std::size_t(count), 0);
        m_byStart = order;
        for (int i = 0; i < count; ++i) {
            m_startDays[std::size_t(i)] = int(m_firstDay.daysTo(m_plans[std::size_t(i)].start));
        }
        std::stable_sort(m_byStart.begin(), m_byStart.end(), [this](int a, int b) {
            return m_startDays[std::size_t(a)] < m_startDays[std::size_t(b)];
        });
        m_cumulative.assign(std::size_t(count), 0.0);
        m_rankedIndex = order;
        double total = 0;
        for (int rank = 0; rank < count; ++rank) {
            total += std::pow(double(rank + 1), -Skew);
            m_cumulative[std::size_t(rank)] = total;
        }
    }

    // A category that had begun by the given day, drawn by weight.
    int categoryForDay(int day) {
        const double total = m_cumulative.back();
        for (int attempt = 0; attempt < 8; ++attempt) {
            const double target = m_dice.unit() * total;
            const auto found = std::upper_bound(m_cumulative.begin(), m_cumulative.end(), target);
            const int rank = int(std::min<std::ptrdiff_t>(found - m_cumulative.begin(),
                                                          std::ptrdiff_t(m_cumulative.size()) - 1));
            const int index = m_rankedIndex[std::size_t(rank)];
            if (m_startDays[std::size_t(index)] <= day) {
                return index;
            }
        }
        // Early on few categories have begun: spread the rest evenly over those that have.
        const auto begun =
            std::upper_bound(m_byStart.begin(), m_byStart.end(), day, [this](int d, int index) {
                return d < m_startDays[std::size_t(index)];
            });
        const int count = int(begun - m_byStart.begin());
        return m_byStart[std::size_t(m_dice.between(0, std::max(1, count) - 1))];
    }

    // Weekdays only, each with its share of the rows; each person's stretches of a day follow
    // one another from a morning start, without overlapping.
    void planTimes() {
        rankCategories();
        std::vector<int> workingDays;
        const int span = int(m_firstDay.daysTo(m_reference.date()));
        for (int day = 0; day < span; ++day) {
            if (m_firstDay.addDays(day).dayOfWeek() <= 5) {
                workingDays.push_back(day);
            }
        }
        const qint64 total = m_counts.finishedTimes;
        const qint64 days = qint64(workingDays.size());
        m_times.reserve(std::size_t(total));
        m_rowsPerCategory.assign(m_plans.size(), 0);
        const int users = m_counts.users;
        std::vector<int> perUser(static_cast<std::size_t>(users));
        std::vector<TimePlan> today;
        for (qint64 d = 0; d < days; ++d) {
            const int day = workingDays[std::size_t(d)];
            const int quota = int(total * (d + 1) / days - total * d / days);
            const int cap = std::max(MaxRowsPerUserDay, quota / users + 1);
            std::fill(perUser.begin(), perUser.end(), 0);
            for (int i = 0; i < quota; ++i) {
                int user = m_dice.between(0, users - 1);
                while (perUser[std::size_t(user)] >= cap) {
                    user = (user + 1) % users;
                }
                ++perUser[std::size_t(user)];
            }
            today.clear();
            for (int user = 0; user < users; ++user) {
                planUserDay(day, user, perUser[std::size_t(user)], today);
            }
            std::sort(today.begin(), today.end(), [](const TimePlan& a, const TimePlan& b) {
                return a.startSecond != b.startSecond ? a.startSecond < b.startSecond
                                                      : a.userIndex < b.userIndex;
            });
            m_times.insert(m_times.end(), today.begin(), today.end());
        }
    }

    void planUserDay(int day, int user, int rows, std::vector<TimePlan>& today) {
        int cursor = m_dice.between(7 * 60 + 30, 9 * 60 + 30);
        const int second = m_dice.between(0, 59);
        for (int left = rows; left > 0; --left) {
            const int share = std::max(0, EndOfDayMinute - cursor) / left;
            const int gap = m_dice.between(0, std::min(20, share / 4));
            const double u = m_dice.unit();
            const int wanted = 5 + int(235.0 * std::pow(u, 1.8));
            const int minutes = std::clamp(wanted, 5, std::max(5, share - gap));
            const int start = cursor + gap;
            if (start + minutes >= 24 * 60) {
                throw std::logic_error("A planned time row would cross midnight");
            }
            TimePlan plan;
            plan.day = day;
            plan.startSecond = start * 60 + second;
            plan.minutes = minutes;
            plan.userIndex = user;
            plan.categoryIndex = categoryForDay(day);
            ++m_rowsPerCategory[std::size_t(plan.categoryIndex)];
            today.push_back(plan);
            cursor = start + minutes;
        }
    }

    // One prepared insert per row: the Database keeps the statement prepared, and SQLite does
    // this faster than multi-row VALUES statements, whose hundreds of bound values cost more to
    // bind than the round trips they save.
    void writeTimes() {
        const QString insert =
            QStringLiteral("insert into tallyRec (startTime, endTime, duration, categoryId, "
                           "userId) values (?, ?, ?, ?, ?)");
        const std::size_t total = m_times.size();
        for (std::size_t from = 0; from < total; from += TimeRowsPerTransaction) {
            const std::size_t to = std::min(total, from + TimeRowsPerTransaction);
            m_database.transaction([&] {
                for (std::size_t i = from; i < to; ++i) {
                    const TimePlan& plan = m_times[i];
                    const QDate date = m_firstDay.addDays(plan.day);
                    const QDateTime start(date,
                                          QTime::fromMSecsSinceStartOfDay(plan.startSecond * 1000));
                    const QDateTime end(date, QTime::fromMSecsSinceStartOfDay(
                                                  (plan.startSecond + plan.minutes * 60) * 1000));
                    m_database.execute(insert, {start, end, plan.minutes,
                                                m_plans[std::size_t(plan.categoryIndex)].id,
                                                m_userIds[std::size_t(plan.userIndex)]});
                }
            });
        }
    }

    // Running tasks, started this morning: some of the benchmark user's own (left by an earlier
    // run, recovered at start) and the rest of people at work elsewhere.
    void writeOpenTimes() {
        const int day = int(m_firstDay.daysTo(m_reference.date()));
        std::vector<TimePlan> open;
        for (int i = 0; i < m_counts.openTimes; ++i) {
            TimePlan plan;
            plan.day = day;
            plan.startSecond = m_dice.between(7 * 3600 + 30 * 60, 9 * 3600 + 55 * 60);
            plan.categoryIndex = categoryForDay(day);
            if (i < m_counts.benchmarkOpenTimes || m_activeUsers.isEmpty()) {
                plan.userIndex = 0;
            } else {
                plan.userIndex =
                    m_activeUsers.at((i - m_counts.benchmarkOpenTimes) % m_activeUsers.size());
            }
            open.push_back(plan);
        }
        std::sort(open.begin(), open.end(), [](const TimePlan& a, const TimePlan& b) {
            return a.startSecond != b.startSecond ? a.startSecond < b.startSecond
                                                  : a.userIndex < b.userIndex;
        });
        m_database.transaction([&] {
            for (const TimePlan& plan : open) {
                m_database.execute(
                    QStringLiteral(
                        "insert into tallyRec (startTime, categoryId, userId) values (?, ?, ?)"),
                    {QDateTime(m_reference.date(),
                               QTime::fromMSecsSinceStartOfDay(plan.startSecond * 1000)),
                     m_plans[std::size_t(plan.categoryIndex)].id,
                     m_userIds[std::size_t(plan.userIndex)]});
            }
        });
    }

    struct NotificationPlan {
        QDateTime created;
        QDateTime statusDate;
        int categoryIndex = 0;
        int userIndex = 0;
        int typeId = 1;
        QString status;
        QString message;
    };

    // What the start-up allocation check writes: from and to the category's manager, one of
    // the two types, with the check's own wording. Ids follow the order of creation.
    void writeNotifications() {
        std::vector<int> benchmarkManaged;
        std::vector<int> otherManaged;
        for (std::size_t i = 0; i < m_plans.size(); ++i) {
            if (m_plans[i].managerIndex == 0) {
                benchmarkManaged.push_back(int(i));
            } else if (m_plans[i].managerIndex > 0) {
                otherManaged.push_back(int(i));
            }
        }
        std::vector<NotificationPlan> plans;
        plans.reserve(std::size_t(m_counts.notifications));
        for (int i = 0; i < m_counts.notifications; ++i) {
            NotificationPlan plan;
            const bool toBenchmark = i < m_counts.benchmarkNotifications;
            if (toBenchmark || otherManaged.empty()) {
                plan.categoryIndex = benchmarkManaged[std::size_t(
                    m_dice.between(0, int(benchmarkManaged.size()) - 1))];
            } else {
                plan.categoryIndex =
                    otherManaged[std::size_t(m_dice.between(0, int(otherManaged.size()) - 1))];
            }
            const CategoryPlan& category = m_plans[std::size_t(plan.categoryIndex)];
            plan.userIndex = toBenchmark ? 0 : category.managerIndex;
            if (!toBenchmark && plan.userIndex == 0) {
                // Only the benchmark user's own share goes to the benchmark user.
                plan.userIndex = m_counts.users > 1 ? m_dice.between(1, m_counts.users - 1) : 0;
            }
            const qint64 room = category.start.daysTo(m_reference.date()) - 1;
            const QDate day =
                category.start.addDays(1 + m_dice.between(0, int(std::max<qint64>(0, room - 1))));
            plan.created = QDateTime(day, QTime(8, 0).addSecs(m_dice.between(0, 2 * 3600 - 1)));
            plan.typeId = m_dice.chance(0.7) ? 1 : 2;
            const int roll = m_dice.between(0, 99);
            plan.status = roll < 30   ? QStringLiteral("Unread")
                          : roll < 80 ? QStringLiteral("Read")
                                      : QStringLiteral("Deleted");
            plan.statusDate = plan.created;
            if (roll >= 30) {
                // Read or deleted later, in someone's working hours.
                const QDateTime seen(day.addDays(m_dice.between(0, 30)),
                                     QTime(8, 0).addSecs(m_dice.between(0, 10 * 3600)));
                plan.statusDate = std::min(m_reference, std::max(plan.created.addSecs(60), seen));
            }
            plan.message = messageFor(category, plan.typeId, day);
            plans.push_back(std::move(plan));
        }
        std::stable_sort(plans.begin(), plans.end(),
                         [](const NotificationPlan& a, const NotificationPlan& b) {
                             return a.created < b.created;
                         });
        m_database.transaction([&] {
            for (const NotificationPlan& plan : plans) {
                const int user = m_userIds[std::size_t(plan.userIndex)];
                m_database.execute(
                    QStringLiteral("insert into notification (fromUserId, toUserId, message, "
                                   "status, statusDate, createDate, categoryId, typeId, subject) "
                                   "values (?, ?, ?, ?, ?, ?, ?, ?, ?)"),
                    {user, user, plan.message, plan.status, plan.statusDate, plan.created,
                     m_plans[std::size_t(plan.categoryIndex)].id, plan.typeId,
                     plan.typeId == 1 ? QStringLiteral("Not meeting expected minimums")
                                      : QStringLiteral("Exceeding maximums")});
            }
        });
    }

    // The check's figures: what the allocation expects by that day, and a recorded total that
    // falls short of it (type 1) or passes it (type 2).
    QString messageFor(const CategoryPlan& category, int typeId, const QDate& day) {
        const QLocale c = QLocale::c();
        const QString from = c.toString(category.start, TimeText::DD_MMM_YYYY);
        const QString to = c.toString(day, TimeText::DD_MMM_YYYY);
        const qint64 days = category.start.daysTo(day);
        const int hours = typeId == 1 ? category.minAllocation : category.maxAllocation;
        const int periodId = typeId == 1 ? category.minPeriodId : category.maxPeriodId;
        qint64 expected = hours > 0
                              ? qint64(double(hours) / PeriodDays[periodId] * double(days) * 60.0)
                              : qint64(m_dice.between(60, 20000));
        expected = std::max<qint64>(expected, 60);
        if (typeId == 1) {
            const qint64 total = qint64(double(expected) * m_dice.between(5, 95) / 100.0);
            return QStringLiteral("Expected minimum time from %1 to %2 is %3. Actual time "
                                  "recorded is %4")
                .arg(from, to, TimeText::minToTime(expected), TimeText::minToTime(total));
        }
        const qint64 total = qint64(double(expected) * m_dice.between(105, 200) / 100.0);
        return QStringLiteral("Exceeded maximum time during period %1 to %2 (%3 days).  Maximum "
                              "allocated time is %4. Actual time recorded is %5")
            .arg(from, to, QString::number(days), TimeText::minToTime(expected),
                 TimeText::minToTime(total));
    }

    // Window titles published by the instances at work, each user's rows together as one
    // instance writes them.
    void writeProcesses() {
        if (m_activeUsers.isEmpty()) {
            return;
        }
        std::vector<std::pair<int, QString>> rows;
        for (int i = 0; i < m_counts.processes; ++i) {
            const int user = m_activeUsers.at(m_dice.between(0, int(m_activeUsers.size()) - 1));
            const int shape = m_dice.between(0, 3);
            QString title;
            if (shape == 0) {
                title = QStringLiteral("Quillhour");
            } else if (shape == 1) {
                title = m_dice.pick(Applications);
            } else {
                const QString document = m_dice.pick(Documents);
                title = document + QStringLiteral(".odt - ") + m_dice.pick(Applications);
            }
            rows.emplace_back(user, title);
        }
        std::stable_sort(rows.begin(), rows.end(),
                         [](const auto& a, const auto& b) { return a.first < b.first; });
        m_database.transaction([&] {
            for (const auto& [user, title] : rows) {
                m_database.execute(
                    QStringLiteral("insert into process (userId, processName) values (?, ?)"),
                    {m_userIds[std::size_t(user)], title});
            }
        });
    }

    ReferenceData::Summary summary() const {
        ReferenceData::Summary result;
        result.counts = m_counts;
        result.benchmarkUserId = m_userIds.front();
        const auto busiest = std::max_element(m_rowsPerCategory.begin(), m_rowsPerCategory.end());
        const std::size_t index = std::size_t(busiest - m_rowsPerCategory.begin());
        result.busiestCategoryId = m_plans[index].id;
        result.busiestCategoryRows = *busiest;
        for (const CategoryPlan& plan : m_plans) {
            result.deepestLevel = std::max(result.deepestLevel, plan.depth);
        }
        return result;
    }

    Database& m_database;
    Dice m_dice;
    ReferenceData::Counts m_counts;
    QDateTime m_reference;
    QDate m_firstDay;

    std::vector<UserPlan> m_users;
    QList<int> m_activeUsers;
    std::vector<int> m_userIds;
    std::vector<CategoryPlan> m_plans;
    std::vector<int> m_rankedIndex;
    std::vector<double> m_cumulative;
    std::vector<int> m_startDays; // per category, days after the first day of the span
    std::vector<int> m_byStart;   // category indexes, earliest start first
    int m_busiestIndex = 0;
    std::vector<TimePlan> m_times;
    std::vector<int> m_rowsPerCategory;
};

int scaledCount(int full, double scale, int least) {
    return std::max(least, int(std::lround(full * scale)));
}

} // namespace

ReferenceData::Counts ReferenceData::Counts::scaled(double scale, int people) {
    if (!(scale > 0.0 && scale <= MaxScale)) {
        throw std::invalid_argument("The scale must be above 0 and at most 5");
    }
    if (people < 0 || people > MaxPeople) {
        throw std::invalid_argument("The team must have from 1 to 5000 people");
    }
    const Counts full;
    Counts counts;
    counts.users = scaledCount(full.users, scale, 2);
    counts.activeUsers = std::min(counts.users - 1, scaledCount(full.activeUsers, scale, 1));
    counts.categories = scaledCount(full.categories, scale, MaxDepth);
    counts.finishedTimes = scaledCount(full.finishedTimes, scale, 1);
    counts.openTimes = scaledCount(full.openTimes, scale, 1);
    counts.benchmarkOpenTimes =
        std::min(counts.openTimes, scaledCount(full.benchmarkOpenTimes, scale, 1));
    counts.notifications = scaledCount(full.notifications, scale, 1);
    counts.benchmarkNotifications =
        std::min(counts.notifications, scaledCount(full.benchmarkNotifications, scale, 1));
    counts.processes = scaledCount(full.processes, scale, 1);
    if (people > 0) {
        // The team's own shares, as in the full set: one in ten at work elsewhere with a
        // running task each, a window per person, ten categories per person. A team of one
        // still has someone at work elsewhere besides the benchmark user.
        const double share = double(people) / full.users;
        counts.users = std::max(2, people);
        counts.activeUsers = std::min(counts.users - 1, scaledCount(full.activeUsers, share, 1));
        counts.categories = std::max(MaxDepth, people * CategoriesPerPerson);
        counts.openTimes =
            std::max(counts.benchmarkOpenTimes + 1, scaledCount(full.openTimes, share, 1));
        counts.processes = scaledCount(full.processes, share, 1);
    }
    return counts;
}

ReferenceData::Summary ReferenceData::fill(Database& database, const Options& options) {
    Generator generator(database, options);
    return generator.run();
}

ReferenceData::Summary ReferenceData::create(const QString& path, const Options& options) {
    // Checked before the file is made, so a bad scale or team leaves nothing behind.
    Counts::scaled(options.scale, options.people);
    std::unique_ptr<Database> database = Database::create(path);
    try {
        return fill(*database, options);
    } catch (...) {
        // A half-filled data set would give figures that look real; leave none behind.
        database.reset();
        for (const QString& suffix : {QString(), QStringLiteral("-wal"), QStringLiteral("-shm")}) {
            QFile::remove(path + suffix);
        }
        throw;
    }
}
