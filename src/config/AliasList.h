#pragma once
// The names the user plays under (colour codes included), one chosen. Load
// and Save read and write the alias file; the chosen alias is remembered as
// "LastAlias" of section "info" in Config.ini.
#include <string>

#include "core/NameList.h"

namespace vyk {

class AliasList : public NameList {
 public:
  // Empties the list, reads the file (one alias a line, trimmed, blank lines
  // skipped), then chooses the alias that "LastAlias" names, if there is one.
  // False when the file could not be opened; "LastAlias" is applied anyway.
  bool Load(const std::string& path) override;
  // Writes the file, then stores the chosen alias as "LastAlias" whether or
  // not the file could be written.
  bool Save(const std::string& path) const override;

  // First alias equal to the text (letter case counts); -1 when none.
  int FindAlias(const std::string& text) const;
  // The alias's index, appending it when new; -1 for an empty text.
  int AddAlias(const std::string& text);
  // Removes the first alias equal to the text; the choice follows its alias.
  void RemoveAlias(const std::string& text);
  // Chooses the alias at the index (none when out of range) and stores its
  // name, empty when none, as "LastAlias".
  void ChooseAlias(int index);
  // The chosen alias; the default entry (empty name) when none is chosen.
  const PlayerInfo& ChosenAlias() const;
  int Chosen() const { return chosen_; }

 private:
  int chosen_ = -1;
};

}  // namespace vyk
