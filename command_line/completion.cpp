// The completion scripts of the four shells: a template each, whose lists of
// options, setting names and values are filled in from the options table
// and the settings table.
#include "command_line/completion.h"

#include <algorithm>
#include <functional>
#include <iterator>
#include <utility>

#include "command_line/completion_scripts.h"
#include "image/settings.h"
#include "listing/setting_words.h"

namespace {

// What a fill of a template puts where its @KEY@ stands.
using Fills = std::vector<std::pair<std::string_view, std::string>>;

std::string lowered(std::string_view text) {
  std::string lower(text);
  for (char& c : lower) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return lower;
}

// Each of `words` between `before` and `after`, the lot joined by `between`.
template <typename Words>
std::string joined(const Words& words, std::string_view between, std::string_view before = "",
                   std::string_view after = "") {
  std::string text;
  for (const auto& word : words) {
    if (!text.empty()) text += between;
    text.append(before).append(word).append(after);
  }
  return text;
}

// The option's names: the long one, then the short one if it has one.
std::vector<std::string_view> namesOf(const Option& option) {
  if (option.shortName.empty()) return {option.name};
  return {option.name, option.shortName};
}

// The names of the options `which` picks, in the table's order.
std::vector<std::string_view> optionNames(const std::function<bool(const Option&)>& which) {
  std::vector<std::string_view> names;
  for (const Option& option : options()) {
    if (!which(option)) continue;
    for (const std::string_view name : namesOf(option)) names.push_back(name);
  }
  return names;
}

std::vector<std::string_view> optionNames(OptionTakes takes) {
  return optionNames([takes](const Option& option) { return option.takes == takes; });
}

std::vector<std::string_view> allOptionNames() {
  return optionNames([](const Option&) { return true; });
}

std::vector<std::string_view> formNames() {
  return optionNames([](const Option& option) { return option.showForm; });
}

// A line for each name that has values to complete, as `line` writes it
// from the name in lower case and its values.
std::string valueLines(
    const std::function<std::string(const std::string&, const std::vector<std::string_view>&)>&
        line) {
  std::vector<std::string> lines;
  for (const std::string_view name : completedNames(true)) {
    const std::vector<std::string_view> values = completedValues(name);
    if (!values.empty()) lines.push_back(line(lowered(name), values));
  }
  return joined(lines, "\n");
}

// `text` with each @KEY@ of `fills` replaced by its text.
std::string filled(std::string_view text, const Fills& fills) {
  std::string script(text);
  for (const auto& [key, value] : fills) {
    const std::string marker = "@" + std::string(key) + "@";
    for (std::size_t at = script.find(marker); at != std::string::npos;
         at = script.find(marker, at + value.size())) {
      script.replace(at, marker.size(), value);
    }
  }
  return script;
}

// What bash does after an option that takes `takes`: the arm of a case.
std::string_view bashAction(OptionTakes takes) {
  switch (takes) {
    case OptionTakes::Assignment:
      return "_ym2608_settings_pairs \"$prefix\" '@SET_NAMES@'";
    case OptionTakes::Condition:
      return "_ym2608_settings_pairs \"$prefix\" '@IF_NAMES@' '!='";
    case OptionTakes::File:
      return "cur=${cur#\"$prefix\"}; _ym2608_settings_files";
    case OptionTakes::Shell:
      return "_ym2608_settings_offer \"$prefix\" '@SHELLS@'";
    case OptionTakes::Word:
    case OptionTakes::Nothing:
      break;
  }
  return "";
}

std::string bashScript() {
  std::vector<std::string> arms;
  for (const OptionTakes takes : {OptionTakes::Assignment, OptionTakes::Condition,
                                  OptionTakes::File, OptionTakes::Word, OptionTakes::Shell}) {
    const std::vector<std::string_view> names = optionNames(takes);
    if (!names.empty()) {
      const std::string_view action = bashAction(takes);
      arms.push_back("    " + joined(names, "|") + ")" + (action.empty() ? "" : " ") +
                     std::string(action) + " ;;");
    }
  }
  return filled(filled(kBashTemplate, {{"OPTION_CASES", joined(arms, "\n")}}),
                {{"OPTIONS", joined(allOptionNames(), " ")},
                 {"FORMS", joined(formNames(), " ")},
                 {"SET_NAMES", joined(completedNames(false), " ")},
                 {"IF_NAMES", joined(completedNames(true), " ")},
                 {"SHELLS", joined(kCompletionShells, " ")},
                 {"VALUE_CASES", valueLines([](const std::string& name, const auto& values) {
                    return "    " + name + ") values='" + joined(values, " ") + "' ;;";
                  })}});
}

// What zsh's _arguments completes after `option`.
std::string zshAction(const Option& option) {
  switch (option.takes) {
    case OptionTakes::Assignment:
      return ":NAME=VALUE:_ym2608-settings_pairs -- " + joined(completedNames(false), " ");
    case OptionTakes::Condition:
      return ":CONDITION:_ym2608-settings_pairs -- " + joined(completedNames(true), " ");
    case OptionTakes::File:
      return ":FILE:_files";
    case OptionTakes::Word:
      return ":" + std::string(option.argument) + ": ";
    case OptionTakes::Shell:
      return ":SHELL:(" + joined(kCompletionShells, " ") + ")";
    case OptionTakes::Nothing:
      break;
  }
  return "";
}

// The option lines of _arguments, one an option: --set, --if and --exclude may be
// repeated, the others given once, in either of their names.
std::string zshOptionLines() {
  std::vector<std::string> lines;
  for (const Option& option : options()) {
    const bool repeats = option.takes == OptionTakes::Assignment ||
                         option.takes == OptionTakes::Condition || option.name == "--exclude";
    const std::vector<std::string_view> names = namesOf(option);
    const std::string excluded = names.size() > 1 ? "(" + joined(names, " ") + ")" : "";
    for (const std::string_view name : names) {
      const bool takesValue = option.takes != OptionTakes::Nothing;
      lines.push_back("    '" + (repeats ? std::string("*") : excluded) + std::string(name) +
                      (takesValue && name.substr(0, 2) == "--" ? "=" : "") + "[" +
                      std::string(option.about) + "]" + zshAction(option) + "' \\");
    }
  }
  return joined(lines, "\n");
}

std::string zshScript() {
  return filled(kZshTemplate,
                {{"OPTION_LINES", zshOptionLines()},
                 {"FORMS", joined(formNames(), " ")},
                 {"VALUE_CASES", valueLines([](const std::string& name, const auto& values) {
                    return "    (" + name + ") values=(" + joined(values, " ") + ") ;;";
                  })}});
}

// What fish completes after an option that takes `takes`.
std::string fishAction(OptionTakes takes) {
  switch (takes) {
    case OptionTakes::Assignment:
      return " -x -a '(__ym2608_settings_pairs " + joined(completedNames(false), " ") + ")'";
    case OptionTakes::Condition:
      return " -x -a '(__ym2608_settings_pairs " + joined(completedNames(true), " ") + ")'";
    case OptionTakes::File:
      return " -r -F";
    case OptionTakes::Word:
      return " -x";
    case OptionTakes::Shell:
      return " -x -a '" + joined(kCompletionShells, " ") + "'";
    case OptionTakes::Nothing:
      break;
  }
  return "";
}

std::string fishScript() {
  std::vector<std::string> completes;
  for (const Option& option : options()) {
    if (option.showForm) {
      completes.push_back("complete -c ym2608-settings -n __ym2608_settings_after_show -f -a '" +
                          std::string(option.name) + "' -d '" + std::string(option.about) + "'");
    }
    std::string line = "complete -c ym2608-settings";
    if (!option.shortName.empty()) line += " -s " + std::string(option.shortName.substr(1));
    completes.push_back(line + " -l " + std::string(option.name.substr(2)) +
                        fishAction(option.takes) + " -d '" + std::string(option.about) + "'");
  }
  return filled(kFishTemplate,
                {{"COMPLETES", joined(completes, "\n")},
                 {"VALUE_CASES", valueLines([](const std::string& name, const auto& values) {
                    return "        case " + name + "\n            set values " +
                           joined(values, " ");
                  })}});
}

// The word PowerShell's script uses for what an option takes.
std::string_view powerShellKind(OptionTakes takes) {
  switch (takes) {
    case OptionTakes::Assignment:
      return "Assignment";
    case OptionTakes::Condition:
      return "Condition";
    case OptionTakes::File:
      return "File";
    case OptionTakes::Word:
      return "Word";
    case OptionTakes::Shell:
      return "Shell";
    case OptionTakes::Nothing:
      break;
  }
  return "";
}

std::string powerShellScript() {
  std::vector<std::string> described;
  std::vector<std::string> takes;
  for (const Option& option : options()) {
    for (const std::string_view name : namesOf(option)) {
      described.push_back("        '" + std::string(name) + "' = '" + std::string(option.about) +
                          "'");
      if (option.takes == OptionTakes::Nothing) continue;
      takes.push_back("        '" + std::string(name) + "' = '" +
                      std::string(powerShellKind(option.takes)) + "'");
    }
  }
  const auto quoted = [](const auto& words) { return joined(words, ", ", "'", "'"); };
  return filled(kPowerShellTemplate,
                {{"OPTIONS", joined(described, "\n")},
                 {"TAKES", joined(takes, "\n")},
                 {"SET_NAMES", quoted(completedNames(false))},
                 {"IF_NAMES", quoted(completedNames(true))},
                 {"FORMS", quoted(formNames())},
                 {"SHELLS", quoted(kCompletionShells)},
                 {"VALUES", valueLines([&](const std::string& name, const auto& values) {
                    return "        '" + name + "' = @(" + quoted(values) + ")";
                  })}});
}

}  // namespace

bool isCompletionShell(std::string_view shell) {
  return std::any_of(std::begin(kCompletionShells), std::end(kCompletionShells),
                     [shell](std::string_view known) { return known == shell; });
}

std::vector<std::string_view> completedNames(bool condition) {
  std::vector<std::string_view> names;
  for (const Setting& setting : kSettings) names.push_back(setting.name);
  if (condition) names.push_back(kSaveMarkName);
  return names;
}

std::vector<std::string_view> completedValues(std::string_view name) {
  if (sameIgnoringCase(name, kSaveMarkName)) return {"yes", "no"};
  const Setting* setting = findSetting(name);
  if (setting == nullptr || setting->kind != SettingKind::Switch) return {};
  return {switchWord(true), switchWord(false)};
}

std::string completionScript(std::string_view shell) {
  std::string script;
  if (shell == "bash") script = bashScript();
  if (shell == "zsh") script = zshScript();
  if (shell == "fish") script = fishScript();
  if (shell == "powershell") script = powerShellScript();
  if (!script.empty() && script.back() == '\n') script.pop_back();
  return script;
}
