#include "shell_completion.h"

#include <span>

#include "options.h"

namespace cstrip::cli {

namespace {

// `text` in single quotes for a shell, a quote in it closed, escaped and
// opened again.
std::string quoted(std::string_view text) {
  std::string result = "'";
  for (const char c : text) result += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return result + "'";
}

std::string longName(const OptionEntry& entry) {
  return "--" + std::string(entry.longName);
}
std::string shortName(const OptionEntry& entry) {
  return std::string{'-', entry.shortName};
}

std::string bashScript() {
  std::string options, folderOptions, fileOptions, valueOptions;
  for (const OptionEntry& entry : kOptions) {
    std::string names = longName(entry);
    if (entry.shortName != '\0') names += " " + shortName(entry);
    options += " " + names;
    if (entry.value.empty()) continue;
    std::string& list = entry.value == "DIR"    ? folderOptions
                        : entry.value == "FILE" ? fileOptions
                                                : valueOptions;
    for (char& c : names) c = c == ' ' ? '|' : c;
    list += (list.empty() ? "" : "|") + names;
  }
  return "# bash completion for cstrip, made from its option table\n"
         "_cstrip() {\n"
         "  local cur=${COMP_WORDS[COMP_CWORD]} prev=${COMP_WORDS[COMP_CWORD-1]}\n"
         "  # --option=value: bash splits the word at the =\n"
         "  if [[ $prev == = ]]; then prev=${COMP_WORDS[COMP_CWORD-2]}; fi\n"
         "  if [[ $cur == = ]]; then prev=${COMP_WORDS[COMP_CWORD-1]}; cur=; fi\n"
         "  case $prev in\n"
         "    " +
         folderOptions +
         ") COMPREPLY=($(compgen -d -- \"$cur\")); return ;;\n"
         "    " +
         fileOptions +
         ") COMPREPLY=($(compgen -f -- \"$cur\")); return ;;\n"
         "    " +
         valueOptions +
         ") COMPREPLY=(); return ;;\n"
         "  esac\n"
         "  if [[ $cur == -* ]]; then\n"
         "    COMPREPLY=($(compgen -W '" +
         options.substr(1) +
         "' -- \"$cur\"))\n"
         "  else\n"
         "    COMPREPLY=($(compgen -f -- \"$cur\"))\n"
         "  fi\n"
         "}\n"
         "complete -o filenames -F _cstrip cstrip\n";
}

std::string zshScript() {
  std::string script =
      "#compdef cstrip\n"
      "# zsh completion for cstrip, made from its option table\n"
      "_arguments -s -S \\\n";
  for (const OptionEntry& entry : kOptions) {
    const std::string action = entry.value == "DIR" ? ":" + std::string(entry.value) + ":_files -/"
                               : entry.value == "FILE" ? ":" + std::string(entry.value) + ":_files"
                               : entry.value.empty()   ? ""
                                                       : ":" + std::string(entry.value) + ": ";
    const std::string help = "[" + std::string(entry.summary) + "]" + action;
    if (entry.shortName == '\0') {
      script += "  " + quoted(longName(entry) + (entry.value.empty() ? "" : "=") + help) + " \\\n";
    } else {
      script += "  " + quoted("(" + shortName(entry) + " " + longName(entry) + ")") + "{" +
                shortName(entry) + (entry.value.empty() ? "" : "+") + "," + longName(entry) +
                (entry.value.empty() ? "" : "=") + "}" + quoted(help) + " \\\n";
    }
  }
  return script + "  '*:file:_files'\n";
}

std::string fishScript() {
  std::string script = "# fish completion for cstrip, made from its option table\n";
  for (const OptionEntry& entry : kOptions) {
    script += "complete -c cstrip";
    if (entry.shortName != '\0') script += " -s " + std::string(1, entry.shortName);
    script += " -l " + std::string(entry.longName);
    if (entry.value == "DIR") {
      script += " -x -a '(__fish_complete_directories)'";
    } else if (entry.value == "FILE") {
      script += " -r -F";
    } else if (!entry.value.empty()) {
      script += " -x";
    }
    script += " -d " + quoted(entry.summary) + "\n";
  }
  return script;
}

}  // namespace

std::optional<std::string> completionScript(std::string_view shell) {
  if (shell == "bash") return bashScript();
  if (shell == "zsh") return zshScript();
  if (shell == "fish") return fishScript();
  return std::nullopt;
}

}  // namespace cstrip::cli
