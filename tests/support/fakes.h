#pragma once
// Test doubles for the operator: a user interface that records every message box and answers
// questions from a script, and a screen opener that runs a scripted operator for each screen.
#include "screens/common/screencontext.h"
#include "testdatabase.h"

#include <QStringList>
#include <deque>
#include <functional>
#include <map>
#include <memory>

namespace orvena::test {

class FakeUserInterface : public UserInterface {
public:
    enum class Kind { Message, Notice, Question, ErrorReport };
    struct Shown {
        Kind kind;
        QString text;
    };

    void message(const QString& text) override { m_shown.push_back({Kind::Message, text}); }
    void notice(const QString& text) override { m_shown.push_back({Kind::Notice, text}); }
    bool askYesNo(const QString& text) override;
    void errorReport(const QString& text) override { m_shown.push_back({Kind::ErrorReport, text}); }
    // Runs the work as the program does, off this thread; with cancelBackground set the operator
    // has pressed "Mégsem" before it began. Each run's title is kept in backgroundTitles.
    void runInBackground(const QString& what, const BackgroundWork& work) override;
    bool cancelBackground = false;
    QStringList backgroundTitles;

    // Answers for the next Yes/No questions, in order; without one the answer is "No".
    void answer(bool yes) { m_answers.push_back(yes); }
    const std::vector<Shown>& shown() const { return m_shown; }
    // Texts of every box shown, in order.
    QStringList texts() const;
    QStringList texts(Kind kind) const;
    QString last() const { return m_shown.empty() ? QString() : m_shown.back().text; }
    void clear() { m_shown.clear(); }

private:
    std::vector<Shown> m_shown;
    std::deque<bool> m_answers;
};

class ScriptedOpener : public ScreenOpener {
public:
    using Script = std::function<void()>;
    using RequestScript = std::function<void(const ScreenRequest&)>;
    // What the operator does when this screen opens (runs once per open, every time); the second
    // form gets the request the screen was opened with, to build the screen's model over it.
    void onOpen(Screen screen, Script script)
    {
        m_scripts[screen] = [script = std::move(script)](const ScreenRequest&) {
            if (script)
                script();
        };
    }
    void onOpen(Screen screen, RequestScript script) { m_scripts[screen] = std::move(script); }
    void open(Screen screen, const ScreenRequest& request = {}) override;
    bool canOpen(Screen screen) const override { return m_scripts.count(screen) != 0; }
    const std::vector<Screen>& opened() const { return m_opened; }
    // The requests of the screens opened, in order.
    const std::vector<ScreenRequest>& requests() const { return m_requests; }
    void clear()
    {
        m_opened.clear();
        m_requests.clear();
    }

private:
    std::map<Screen, RequestScript> m_scripts;
    std::vector<Screen> m_opened;
    std::vector<ScreenRequest> m_requests;
};

// A connected data module with state, fake UI and scripted opener over a fresh test database.
class TestSession {
public:
    explicit TestSession(const QString& suffix = {});
    TestDatabase db;
    DataModule data;
    AppState state;
    FakeUserInterface ui;
    ScriptedOpener opener;
    ScreenContext context{data, state, ui, opener};
};

} // namespace orvena::test
