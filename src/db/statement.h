#pragma once
// Two small helpers for code that runs statements on a Query of its own: a parameter's name from
// a literal, and a statement set, bound (every parameter as text) and executed in one call.
#include "db/query.h"

#include <initializer_list>
#include <utility>

namespace orvena::statement {

inline QString p(const char* name)
{
    return QString::fromLatin1(name);
}

using TextParams = std::initializer_list<std::pair<const char*, QString>>;

// Replaces q's statement with sql, binds each (name, text) and runs it. Throws DbError.
inline void run(Query& q, const QString& sql, TextParams params = {})
{
    q.setSql({sql});
    for (const auto& [name, value] : params)
        q.setText(p(name), value);
    q.execute();
}

} // namespace orvena::statement
