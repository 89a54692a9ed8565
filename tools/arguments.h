// Command-line arguments of one morvane-data command: positional arguments
// and options, checked against what the command accepts.
//
// Options may stand anywhere after the command name, as "--name VALUE",
// "--name=VALUE" or, for flags, "--name". An option name is "--" and
// letters, digits and '-'; "--" alone ends the options, so every argument
// after it is positional, and an argument such as "-- comment ..." that no
// option could be named is positional too. Anything that does not fit the
// command (a missing or extra argument, an unknown option, a missing value, a
// required option left out, an empty required value) raises UsageError, which
// the tool answers with its usage text and exit status 2.
#pragma once

#include <map>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

namespace morvane::tools {

class UsageError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

struct OptionSpec {
  std::string name;       // with the leading "--"
  std::string valueName;  // shown in the usage (NAMES, TABLE); empty for a flag
  bool required = false;
  // Given, it stands for the first positional argument (--file F for SQL),
  // which is then left out.
  bool replacesFirstArgument = false;
  bool TakesValue() const { return !valueName.empty(); }
};

struct CommandSyntax {
  std::vector<std::string> positionalNames;  // FILE, OUT, SQL ... in order
  std::vector<OptionSpec> options;
};

class ParsedArguments {
 public:
  const std::string& Positional(size_t index) const { return positional_.at(index); }
  bool Has(const std::string& option) const {
    return flags_.count(option) != 0 || values_.count(option) != 0;
  }
  // The option's value, or "" when it was not given.
  const std::string& Value(const std::string& option) const;

 private:
  friend ParsedArguments ParseArguments(const CommandSyntax& syntax,
                                        const std::vector<std::string>& arguments);
  std::vector<std::string> positional_;
  std::map<std::string, std::string> values_;
  std::set<std::string> flags_;
};

// arguments: what follows the command name.
ParsedArguments ParseArguments(const CommandSyntax& syntax,
                               const std::vector<std::string>& arguments);

}  // namespace morvane::tools
