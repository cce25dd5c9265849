// The scripted frontend: a test plays the user. It answers each dialog as it
// opens with the steps queued for its template, and records in order what
// the user was shown: dialogs opened and closed, captions, control texts,
// list entries, progress ranges and message boxes.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct ScriptedStep {
  enum Kind { kType, kPick, kPress } kind;
  int controlId;
  std::string text;
  int index;
  int afterPumps;  // kPress: post once the owner thread pumped this often
};

ScriptedStep ScriptType(int controlId, const std::string& text);
ScriptedStep ScriptPick(int controlId, int index);
ScriptedStep ScriptPress(int controlId, int afterPumps = 0);

// Installs the scripted frontend and forgets every answer and record.
void ScriptedInstall(void);

// The next dialog of that template to open is answered with these steps.
// A modal dialog that opens with no answer queued is cancelled and recorded
// as "unanswered"; a modeless one is left open.
void ScriptAnswer(int templateId, std::vector<ScriptedStep> steps);
// Every dialog of that template is answered so (after the queued answers).
void ScriptAnswerAlways(int templateId, std::vector<ScriptedStep> steps);

// Also print every record line to stderr as it is made (for death tests,
// whose child process's records are read from its stderr).
void ScriptedEcho(bool on);

void ScriptedSetScreenSize(int32_t width, int32_t height);

// Record lines:
//   open T <caption>        caption T <caption>       close T
//   text T C <text>         list T C <entry>          select T C <index>
//   range T C <low> <high>  focus T C                 unanswered T
//   msgbox <caption> | <text>
// (T template id, C control id; "text" lines at open cover every control
// whose text is not empty.)
std::vector<std::string> ScriptedRecord(void);
// Record lines that begin with `prefix`.
std::vector<std::string> ScriptedLines(const std::string& prefix);
// Every progress position set in dialogs of that template, in order.
std::vector<int> ScriptedPositions(int templateId);
// The text of every message box shown, in order.
std::vector<std::string> ScriptedMessageBoxes(void);
// Left/top of the last dialog of that template when it was centred.
bool ScriptedLastPosition(int templateId, int32_t* left, int32_t* top);
