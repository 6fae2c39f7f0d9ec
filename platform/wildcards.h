// Windows' wildcards and name rules, kept apart from the calls that need a
// Windows system so that every build runs and tests them: cmd's * and ?,
// names in a caseless order, and the prefixes that make a path literal.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

/// Negative, zero or positive as `a` sorts before, with or after `b` (UTF-16)
/// when letter case is ignored.
using CaselessOrder = int (*)(std::u16string_view a, std::u16string_view b);

/// True when `name` matches `pattern`: `*` stands for any run of characters,
/// `?` for any one (a surrogate pair is one), other characters match when
/// `order` puts them together, and a pattern ending in `.*` also matches the
/// name without it (`*.*` matches `readme`), as cmd's patterns do.
bool wildcardMatches(std::u16string_view name, std::u16string_view pattern, CaselessOrder order);

/// wildcardMatches over WTF-8 text; false when either is no WTF-8.
bool wtf8WildcardMatches(const std::string& name, const std::string& pattern, CaselessOrder order);

/// Puts WTF-8 `names` in `order`, byte order settling names it puts together.
void sortCaseless(std::vector<std::string>& names, CaselessOrder order);

/// How many leading bytes of `arg` are a `\\?\` or `\\.\` prefix (4), whose
/// ? and . are part of the path, never wildcards; 0 when it has none.
std::size_t devicePrefixLength(const std::string& arg);
