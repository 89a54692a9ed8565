#include "tools/arguments.h"

#include <algorithm>

namespace morvane::tools {

namespace {

const OptionSpec* FindOption(const CommandSyntax& syntax, const std::string& name) {
  auto found = std::find_if(syntax.options.begin(), syntax.options.end(),
                            [&](const OptionSpec& option) { return option.name == name; });
  return found == syntax.options.end() ? nullptr : &*found;
}

// "--" and a name of letters, digits and '-', with "=VALUE" or not.
bool LooksLikeOption(const std::string& argument) {
  if (argument.size() <= 2 || argument.compare(0, 2, "--") != 0) return false;
  const size_t nameEnd = std::min(argument.find('='), argument.size());
  for (size_t index = 2; index < nameEnd; ++index) {
    const char c = argument[index];
    const bool nameCharacter =
        (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-';
    if (!nameCharacter) return false;
  }
  return nameEnd > 2;
}

}  // namespace

const std::string& ParsedArguments::Value(const std::string& option) const {
  static const std::string kNone;
  auto found = values_.find(option);
  return found == values_.end() ? kNone : found->second;
}

ParsedArguments ParseArguments(const CommandSyntax& syntax,
                               const std::vector<std::string>& arguments) {
  ParsedArguments parsed;
  bool optionsEnded = false;
  for (size_t index = 0; index < arguments.size(); ++index) {
    const std::string& argument = arguments[index];
    if (!optionsEnded && argument == "--") {
      optionsEnded = true;
      continue;
    }
    if (optionsEnded || !LooksLikeOption(argument)) {
      parsed.positional_.push_back(argument);
      continue;
    }
    const size_t equals = argument.find('=');
    const std::string name = argument.substr(0, equals);
    const OptionSpec* option = FindOption(syntax, name);
    if (!option) throw UsageError("unknown option " + name);
    if (parsed.Has(name)) throw UsageError("option " + name + " given twice");
    if (!option->TakesValue()) {
      if (equals != std::string::npos) throw UsageError("option " + name + " takes no value");
      parsed.flags_.insert(name);
    } else if (equals != std::string::npos) {
      parsed.values_[name] = argument.substr(equals + 1);
    } else if (index + 1 < arguments.size()) {
      parsed.values_[name] = arguments[++index];
    } else {
      throw UsageError("option " + name + " needs a value");
    }
  }
  size_t expected = syntax.positionalNames.size();
  for (const OptionSpec& option : syntax.options) {
    if (option.replacesFirstArgument && parsed.Has(option.name) && expected > 0) --expected;
  }
  if (parsed.positional_.size() != expected) throw UsageError("wrong number of arguments");
  for (const OptionSpec& option : syntax.options) {
    if (option.required && parsed.Value(option.name).empty())
      throw UsageError("option " + option.name + " is required");
  }
  return parsed;
}

}  // namespace morvane::tools
