#pragma once
// The program's exchange with files: Export (833) with its dialog, the text
// export's closing question and the card exported as a form; Import (834)
// of a table of cards, or of a form when the forms folder is selected; and
// Import Form (859) with its introduction. Form files handed to the program
// (named at start, or by a later copy) are imported once a wallet is open
// and no dialog shows. None of it exists on Smartphone.
#include <string>

namespace tb::shell {

class MainWindow;

// Language strings of the commands.
namespace interchange_strings {
inline constexpr uint32_t kExportComplete = 22146, kOpenExport = 22147, kExportNotWritten = 22190,
                          kExportIncomplete = 22191, kImportQuestion = 22040, kImportFolder = 22041, kPickTable = 25017,
                          kPickForm = 25030, kNotAFormFile = 22192, kFormNotAdded = 22193;
}

void RunExportCommand(MainWindow& window);
void RunImportCommand(MainWindow& window);
void RunImportFormCommand(MainWindow& window);
// Imports the form file at path into the open wallet (the question first);
// true when the form was added and entered the tree.
bool ImportFormFile(MainWindow& window, const std::string& path);

// Wires the three commands and the form files handed to the window.
void WireInterchange(MainWindow& window);

}  // namespace tb::shell
