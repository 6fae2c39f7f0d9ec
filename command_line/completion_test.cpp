// --completion: the script each shell gets, the command lines it refuses,
// and the words the scripts offer, which the options must take back.
#include "command_line/completion.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "collection/condition.h"
#include "command_line/command_line.h"
#include "test_support/memory_console.h"

namespace {

struct Printed {
  int status;
  std::string out, errors;
};

Printed run(const std::vector<std::string>& args) {
  std::vector<const char*> argv{"ym2608-settings"};
  for (const std::string& a : args) argv.push_back(a.c_str());
  RecordingOutput out;
  RecordingOutput errors;
  ScriptedInput input({});
  const int status = runCommandLine(static_cast<int>(argv.size()), argv.data(), input, out, errors);
  return {status, out.text, errors.text};
}

// Each shell gets its own script, whatever else is on the command line; a
// shell it has no script for is a bad command line. What the scripts offer
// is tried in the shells (completion_test.sh).
TEST(Completion, EachShellGetsItsScript) {
  const struct {
    std::vector<std::string> args;
    std::string start;  // of the script; "" for a bad command line
  } cases[] = {
      {{"--completion", "bash"}, "# bash completion for ym2608-settings"},
      {{"--completion=zsh"}, "#compdef ym2608-settings\n"},
      {{"--completion", "fish", "--show"}, "# fish completion for ym2608-settings"},
      {{"a.dat", "--completion", "powershell"}, "# PowerShell completion for ym2608-settings"},
      {{"--completion", "tcsh"}, ""},
      {{"--completion", "Bash"}, ""},
      {{"--completion="}, ""},
      {{"--completion"}, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.args.back());
    const Printed r = run(c.args);
    const bool bad = c.start.empty();
    EXPECT_EQ(r.status, bad ? 2 : 0);
    EXPECT_EQ(r.out.rfind(c.start, 0), 0u) << r.out.substr(0, 80);
    EXPECT_EQ(bad ? r.out : r.errors, "");
    if (bad) {
      EXPECT_EQ(r.errors.rfind("ym2608-settings: --completion takes ", 0), 0u) << r.errors;
      EXPECT_EQ(r.errors.find('\n'), r.errors.size() - 1) << r.errors;
    } else {
      EXPECT_EQ(r.out.back(), '\n');
    }
  }
}

// An option the scripts offer that the command line does not read would
// only ever end in "no option is called".
TEST(Completion, TheOptionsReadEveryOptionOffered) {
  for (const Option& option : options()) {
    for (const std::string_view name : {option.name, option.shortName}) {
      if (name.empty()) continue;
      // A value for the options that take one, a FILE for the others.
      const std::string given(name);
      const char* argv[] = {"ym2608-settings", given.c_str(), "TimerA=on", "a.dat"};
      CommandLine line;
      std::string error;
      readCommandLine(4, argv, line, error);
      EXPECT_EQ(error.find("no option is called"), std::string::npos) << error;
    }
    // The descriptions go inside each shell's quotes as they are.
    EXPECT_EQ(option.about.find_first_not_of("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ"
                                             "0123456789 ,-"),
              std::string_view::npos)
        << option.about;
  }
}

// The values offered after NAME= are values --if takes (as --set does, for
// a setting), and a switch or the save mark is offered both of its values.
TEST(Completion, TheValuesOfferedAreTakenAndCoverEachSwitch) {
  for (const std::string_view name : completedNames(true)) {
    SCOPED_TRACE(std::string(name));
    std::set<unsigned> taken;
    for (const std::string_view value : completedValues(name)) {
      Condition condition;
      std::string error;
      EXPECT_TRUE(parseCondition(std::string(name) + "=" + std::string(value), condition, error))
          << error;
      taken.insert(condition.value);
    }
    const std::set<unsigned> both{0, 1};
    EXPECT_EQ(taken, name == "LimitTime" ? std::set<unsigned>() : both);
  }
}

}  // namespace
