#pragma once

#include <QDate>
#include <QString>
#include <optional>

// Every message box and modal picker of the program goes through this interface, so that a test
// can script the answers and read back what was asked.
class Messages {
public:
    // YesNoDefaultNo: Yes and No with No as the default, for a question whose Yes throws work
    // away; Enter never answers it by accident.
    enum class Buttons { Ok, YesNo, YesNoDefaultNo };
    enum class Icon { None, Information, Question, Warning, Critical };
    enum class Answer { Ok, Yes, No };

    virtual ~Messages() = default;

    // An empty title means the application's own title.
    virtual Answer show(const QString& text, const QString& title, Buttons buttons, Icon icon) = 0;
    // A message that waits for no answer: the program goes on working while it is shown.
    virtual void notify(const QString& text, const QString& title, Icon icon) = 0;

    // The folder picker, started in startFolder; nothing when cancelled.
    virtual std::optional<QString> browseFolder(const QString& startFolder) = 0;
    // The file picker on files matching filter (for example "*.db"), started in startFolder.
    virtual std::optional<QString> browseFile(const QString& startFolder,
                                              const QString& filter) = 0;
    // The file picker for a database, which also offers making a new one (suggested: the path
    // given). A returned path that does not exist yet is where the new database goes.
    virtual std::optional<QString> browseDatabase(const QString& startFolder, const QString& filter,
                                                  const QString& suggestedNewFile) = 0;
    // The picker of a file to write, opened on suggestedFile, offering the files matching filter
    // (for example "CSV files (*.csv)"); the chosen path, or nothing when cancelled.
    virtual std::optional<QString> saveFile(const QString& suggestedFile,
                                            const QString& filter) = 0;
    // The date picker opened on date; the chosen day, or nothing when cancelled.
    virtual std::optional<QDate> pickDate(const QDate& date) = 0;

    // What a newcomer tells the welcome window of a first start: where the database is, who
    // they are and what they work on first.
    struct FirstStart {
        enum class Place { NewFile, ExistingFile, Server };
        Place place = Place::NewFile;
        QString location; // a file path, or a server's address (with the password typed)
        QString userName;
        QString categoryName;
    };
    // The welcome window, filled with suggested; what was accepted, or nothing when closed.
    virtual std::optional<FirstStart> welcome(const FirstStart& suggested) = 0;

    void inform(const QString& text, const QString& title = {}, Icon icon = Icon::None) {
        show(text, title, Buttons::Ok, icon);
    }
    bool ask(const QString& text, const QString& title, Icon icon = Icon::None) {
        return show(text, title, Buttons::YesNo, icon) == Answer::Yes;
    }
    bool confirmDiscarding(const QString& text, const QString& title, Icon icon = Icon::None) {
        return show(text, title, Buttons::YesNoDefaultNo, icon) == Answer::Yes;
    }
};
