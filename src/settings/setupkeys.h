#pragma once
#include <QList>
#include <QString>
#include <functional>
#include <optional>
#include <span>

class QWidget;
namespace rt {
class VbError;
}

// The settings of the setup windows (the sensor setup window and the e-mail, pager and remote
// monitoring windows), declared once: for each key the control that holds it, and what the
// settings tree and the INI file each do with it (whether their save writes it, whether their
// loader reads it back, and with which default). The loaders and saves name keys in their own
// order; controls, value forms, sections and defaults come from here.
namespace settingsvalues {

enum class Store { Tree, Ini };

// The window whose control holds a key; each window has its own section in each store.
enum class Window {
    SensorSetup, // tree "Program Setup" (cameras: see Repeat), file "Sensor Setup"
    Mail,        // tree "Program Setup", file "Email Alert Setup"
    Pager,       // tree "Program Setup", file "Page Alert Setup"
    Internet,    // tree "Program Setup\Internet Setup", file "Internet Update Setup"
};

// What one store does with a key.
struct Use {
    bool written;    // its save writes the key
    bool read;       // its loader reads the key back
    const char* def; // the reader's default: the loader's, or that of start-up or the window where they read the key
    bool byHandler = false; // the control's own handler stores the key as the control changes
};
constexpr Use both(const char* def) { return {true, true, def}; }
constexpr Use writeOnly(const char* def = nullptr) { return {true, false, def}; }
constexpr Use readOnly(const char* def) { return {false, true, def}; }
constexpr Use absent() { return {false, false, nullptr}; }
// A key only the control's handler stores; no save writes it and no loader reads it.
constexpr Use handlerOnly() {
    return {false, false, nullptr, true};
}
// A key the control's handler stores as well.
constexpr Use alsoByHandler(Use use) {
    use.byHandler = true;
    return use;
}
// Default standing for the program's log folder, which is known only at run time.
inline constexpr char kLogFolder[] = "<program folder>/logfiles";
// Default standing for the status files' folder, known only at run time.
inline constexpr char kStatusFolder[] = "<status files folder>";

// The numbers a key and its control are repeated for; the number follows the key name and is the
// control's index.
enum class Repeat {
    Once,
    Event,  // proximity event 1..4
    Kind,   // alert switch row 1, 2, 6, 8, 9, 0
    Camera, // camera 1..4; the tree keeps these in "Program Setup\Prox" and the number
};

// How the value is written.
enum class Form {
    Plain,      // a box's text, a label's caption, a check box's state, an option as "1"/"0"
    TrueFalse,  // an option as "True"/"False"
    MailOption, // an option as "1"/"0" in the tree and as "True"/"False" in the file
    Unit,       // "F" with Fahrenheit chosen, "C" with Celsius chosen, nothing with neither
    MinOrSecs,  // "Min" while the unit list shows "Minute(s)", otherwise "Sec"
    MailCheck,  // a check box as "1" while ticked, otherwise "0", in the tree; its state in the file
    ListIndex,  // a list's chosen item as its index, 0 with none (the window reads it back itself)
};

struct SetupKey {
    const char* control; // name of the setup window's control
    const char* key;
    Use tree;
    Use ini;
    Repeat repeat = Repeat::Once;
    Form form = Form::Plain;
    // The tree's section where it is not the repeat's own ("%1" = the number).
    const char* treeSection = nullptr;
    Window window = Window::SensorSetup;
    // The file's section where it is not the window's.
    const char* iniSection = nullptr;
};

// Every row of the sensor setup window, in the order of its OK pass.
std::span<const SetupKey> setupKeys();
// Every row of the e-mail, pager and remote monitoring windows, window by window, each in the
// order of its own save.
std::span<const SetupKey> windowKeys();
// Keys that no control holds: start-up's marks, the device counters, the remote monitoring
// start and the modem and camera switches kept by their own code. Their control is nullptr.
std::span<const SetupKey> stateKeys();
// The row of a key name (without its number), in any of the tables; a name that is in none is a
// programming error (rt::programmingError).
const SetupKey& setupKey(const char* key);

// The stored text of a key in one store (section and default from its row), or the same with
// another reader's default.
QString readKey(Store store, const char* key, int n = 0);
QString readKey(Store store, const char* key, int n, const QString& def);
// Stores the text under a key in one store, in its row's section.
void saveKey(Store store, const char* key, const QString& value, int n = 0);
// The name a key is stored under (with its number); for code that reaches the store its own way.
QString storedKey(const char* key, int n = 0);

QList<int> numbersOf(Repeat repeat);
// The key with its number ("chkPageAlert" and 6 give "chkPageAlert6"); a camera's keys carry no
// number.
QString keyName(const SetupKey& row, int n);
QString sectionOf(const SetupKey& row, int n, Store store);
// The control for number n (index n of the control array) in the row's window; throws
// std::logic_error when the window has no such control.
QWidget* controlOf(const SetupKey& row, int n);
// The default the store's reader passes, kLogFolder and kStatusFolder resolved.
QString defaultOf(const SetupKey& row, Store store);

// The text the store's save writes for the control; none when the form writes nothing.
std::optional<QString> storedText(const SetupKey& row, int n, Store store);
// Puts a stored text into the control the way the loaders do: a box or label takes the text, a
// check box a state 0..2, an option a boolean, a list the item of that text, the unit options
// "F"/"C", the unit list "Min"/"Sec". Raises rt::VbError for a text the control refuses.
void assignText(const SetupKey& row, int n, const QString& text);

// Stores the key of a handler-stored row for number n from its control, in the tree; nothing
// while a load runs. The second form stores the text the handler gives.
void storeFromHandler(const char* key, int n = 0);
void storeFromHandler(const char* key, int n, const QString& text);
// storeFromHandler(key) during a load as well: for the stores of an apply that the loaders run
// themselves once the settings are in the window (the intervals' Set button).
void storeApplied(const char* key);

// Writes setup window keys into one store.
class SetupWriter {
public:
    using Sink = std::function<void(const QString& section, const QString& key, const QString& value)>;
    SetupWriter(Store store, Sink sink) : m_store(store), m_sink(std::move(sink)) {}
    // Each key for every number it is repeated for.
    void put(std::initializer_list<const char*> keys) const;
    // Each key for one number (an unrepeated key is written as it is).
    void put(std::initializer_list<const char*> keys, int n) const;
    // The rows from first to last in the order of their table, those that this store writes.
    void putRange(const char* first, const char* last) const;
    // The action of proximity event n: the options before the chosen one are written "0", the
    // chosen one "1" (with the two command lines when it runs a command); the options after it
    // keep what the store held, the option handlers having cleared them when the choice changed.
    void actionChain(int n) const;

private:
    void write(const SetupKey& row, int n) const;
    Store m_store;
    Sink m_sink;
};

// The tree's writer for a window's save: a key the tree refuses does not keep the others from
// being stored.
SetupWriter treeWriterKeepingOn();

// Reads setup window keys from one store.
class SetupReader {
public:
    using Source = std::function<QString(const QString& section, const QString& key, const QString& def)>;
    // Told when a control refuses a stored text (before the default is put in).
    using Refused = std::function<void(const rt::VbError& error)>;
    SetupReader(Store store, Source source, Refused refused = {})
        : m_store(store), m_source(std::move(source)), m_refused(std::move(refused)) {}
    // The stored text of a key, or the reader's default.
    QString get(const char* key, int n = 0) const;
    // The same with another default (a second reading of a key).
    QString get(const char* key, int n, const QString& def) const;
    QString defaultOf(const char* key) const;
    // Puts the stored text of each key into its control, for every number the key is repeated
    // for; a text the control refuses gives the default.
    void load(std::initializer_list<const char*> keys) const;
    // The same for one number.
    void load(std::initializer_list<const char*> keys, int n) const;
    // The rows from first to last in the order of their table, those that this store reads.
    void loadRange(const char* first, const char* last) const;
    // Runs assign with the stored text, and with the default when it raises rt::VbError.
    void assign(const char* key, int n, const std::function<void(const QString&)>& assign) const;

private:
    Store m_store;
    Source m_source;
    Refused m_refused;
};

} // namespace settingsvalues
