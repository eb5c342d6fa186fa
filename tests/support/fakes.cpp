#include "fakes.h"

#include <QThread>

#include <exception>

namespace orvena::test {

bool FakeUserInterface::askYesNo(const QString& text)
{
    m_shown.push_back({Kind::Question, text});
    if (m_answers.empty())
        return false;
    const bool yes = m_answers.front();
    m_answers.pop_front();
    return yes;
}

void FakeUserInterface::runInBackground(const QString& what, const BackgroundWork& work)
{
    backgroundTitles << what;
    if (!cancelBackground) {
        UserInterface::runInBackground(what, work);
        return;
    }
    // the work sees "Mégsem" pressed from its start
    const std::atomic<bool> cancelled{true};
    runAndWait(work, cancelled);
}

QStringList FakeUserInterface::texts() const
{
    QStringList out;
    for (const auto& s : m_shown)
        out << s.text;
    return out;
}

QStringList FakeUserInterface::texts(Kind kind) const
{
    QStringList out;
    for (const auto& s : m_shown)
        if (s.kind == kind)
            out << s.text;
    return out;
}

void ScriptedOpener::open(Screen screen, const ScreenRequest& request)
{
    m_opened.push_back(screen);
    m_requests.push_back(request);
    const auto it = m_scripts.find(screen);
    if (it != m_scripts.end() && it->second)
        it->second(request);
}

TestSession::TestSession(const QString& suffix) : db(suffix)
{
    data.connect(db.profile());
}

} // namespace orvena::test
