#pragma once
// Every way the program sends the user to the game site or to its own home
// page: game pages and the games list (through the server's entry page or a
// frameset file of our own in the temp folder), the home page, and the
// targets of the About page's links. Everything is opened through
// Platform().ShellOpen; what the shell makes of it is not looked at.

#include "platform/Platform.h" // kProgramName

#include <stdexcept>
#include <string>

namespace vexrem {

// Failures of the frameset file (temp name, writing). They end the click that
// started the operation; the GUI shows the message in its general error box.
class GameLinkError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

inline constexpr const char* kContactAddress = "pim@vexreminder.example";
inline constexpr const char* kFramesetSiteName = "Vexelfeld";
inline constexpr const char* kFramesetSlogan = "Das Rennen um die beste Linie";

// --- URLs and paths (game id in decimal; < 1 means the games list) ----------

// Through the server's entry page, which wraps the page into its frameset.
std::string ZavazuzezaUrl(int gameId);
// The main frame's source inside our own frameset file.
std::string FramesetPagePath(int gameId);
// The whole frameset file: one line, no line break anywhere.
std::string FramesetText(const std::string& pagePath);
// "file:///" and the file name with forward slashes.
std::string FramesetFileUrl(const std::string& fileName);

// A new unique name "<temp>vfsXXXX.html"; the system reserves
// "<temp>vfsXXXX.tmp" for it, which stays. Throws GameLinkError.
std::string MakeFramesetFileName();

// --- opening -------------------------------------------------------------------

// Opens the game page of gameId, or the games list when gameId < 1. Without
// the Zavazuzeza it writes a new frameset file and opens that; a failure
// there throws GameLinkError before anything is opened. The file is always
// a new one, private to the user: a name found taken is never opened.
void OpenGamePage(bool useZavazuzeza, int gameId);

// The game of the last status result when it names exactly one (count 1),
// otherwise the games list (none, several, or a failed check).
void GotoGame(int count, int gid, bool useZavazuzeza);

std::string HomePageUrl();
void OpenHomePage();

// --- the About page ------------------------------------------------------------

enum class AboutLink { Vexelfeld, VexelReminder, EclipsePlugin, Pim };

std::string AboutLinkCaption(AboutLink link);
std::string AboutLinkTarget(AboutLink link);
// The target without its scheme (for a mail link: the address alone).
std::string AboutLinkHint(AboutLink link);
void OpenAboutLink(AboutLink link);

} // namespace vexrem
