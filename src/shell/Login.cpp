#include "Login.h"

#include <QFont>

#include "Dialog.h"
#include "Error.h"
#include "Opening.h"
#include "Password.h"
#include "Text.h"
#include "Ui.h"
#include "Workstation.h"
#include "TextCodec.h"

namespace mx::shell {

namespace {

using rt::Value;

constexpr size_t kNameWidth = 10;
constexpr size_t kPasswordWidth = 6;

// Step 1: builds the index of `users` when its file is missing, under
// exclusive use. False when the table cannot be had (the program then ends).
bool ensureUsersIndex(ds::DataContext& ctx) {
    if (ds::dataFileExists(ctx, "USERS.NTX")) return true;
    bool built = false;
    if (ds::NETUSE(ctx, "USERS", true, 2)) {
        try {
            rt::WorkArea& users = *ctx.session.selected();
            users.createOrder(ds::newDataFile(ctx, "USERS.NTX"), "users->username");
            built = true;
        } catch (const rt::DbError&) {
        }
        try {
            ctx.session.close("USERS");
        } catch (const rt::DbError&) {
        }
    }
    if (!built) ctx.sink.timed("Users database (USERS) not available or doesn't exist.", 2);
    return built;
}

// The login dialog; true when left by "&Save". `name` and `password` come
// back as typed (upper case).
bool askLogin(const QString& package, std::string& name, std::string& password) {
    Value nameValue = Value::character(std::string(kNameWidth, ' '));
    Value passwordValue = Value::character(std::string(kPasswordWidth, ' '));
    tk::Dialog dlg(package + QStringLiteral(" Login"), tk::Box{13, 20, 24, 55, tk::Unit::Cell});
    dlg.setFont(QFont());  // the login does not use the dialog font
    bool saved = false;
    dlg.addText({2, 1}, QStringLiteral("Login Name:"));
    dlg.addField({2, 10, 50, 12}, nameValue, {.name = QStringLiteral("USERNAME"), .picture = QStringLiteral("@!")});
    dlg.addText({3, 1}, QStringLiteral("Password:"));
    dlg.addField({3, 10, 50, 12}, passwordValue,
                 {.name = QStringLiteral("PASSWORD"), .picture = QStringLiteral("@!"), .password = true});
    dlg.addButton({5, 1, 45, 12}, QStringLiteral("&Save"), [&] {
        saved = true;
        dlg.end();
    });
    dlg.addButton({5, 8, 45, 12}, QStringLiteral("&Cancel"), [&] { dlg.end(); });
    dlg.run();
    if (!saved) return false;
    name = nameValue.isCharacter() ? nameValue.str() : std::string();
    password = passwordValue.isCharacter() ? passwordValue.str() : std::string();
    return true;
}

enum class Outcome { LoggedIn, WrongPassword, NotOnFile };

// Steps 3.3 to 3.7 for one attempt on the open `users` table.
Outcome check(Workstation& w, rt::WorkArea& users, const std::string& typedName, const std::string& typedPassword) {
    ds::DataContext& ctx = w.data();
    ctx.user = ds::allTrim(typedName);
    // A record whose login name begins with the typed name counts as found.
    const bool found = users.seek(Value::character(ctx.user), false);
    if (ctx.user.rfind(kMasterLogin, 0) == 0) {
        w.values().userSec = QStringLiteral("9");
        return Outcome::LoggedIn;
    }
    if (!found) return Outcome::NotOnFile;
    const std::string stored = users.fieldValue("PASSWORD").str();
    const QString level = tk::toQ(users.fieldValue("SECURELVL").str());
    if (ds::allTrim(stored).empty() ||
        ds::ENCRYPT(ds::FILL_OUT(typedPassword.substr(0, kPasswordWidth), kPasswordWidth)) == stored) {
        w.values().userSec = level;
        return Outcome::LoggedIn;
    }
    return Outcome::WrongPassword;
}

}  // namespace

bool LOGIN(Workstation& w) {
    ds::DataContext& ctx = w.data();
    tk::Ui& ui = tk::Ui::instance();
    if (!ensureUsersIndex(ctx)) return false;
    if (!ds::OPNALIAS(ctx, "users", false, true)) return false;
    struct CloseUsers {
        ds::DataContext& ctx;
        ~CloseUsers() {
            try {
                if (ctx.session.area("USERS")) ctx.session.close("USERS");
            } catch (...) {
            }
        }
    } closeUsers{ctx};
    rt::WorkArea& users = *ctx.session.area("USERS");
    for (int attempt = 0; attempt < 3; ++attempt) {
        std::string name, password;
        if (!askLogin(w.values().package, name, password)) return false;
        Outcome outcome;
        try {
            outcome = check(w, users, name, password);
        } catch (const rt::DbError& e) {
            ui.alert(QString::fromLocal8Bit(e.what()));
            return false;
        }
        switch (outcome) {
            case Outcome::LoggedIn:
                return true;
            case Outcome::WrongPassword:
                ui.alert(QStringLiteral("Incorrect Password."));
                break;
            case Outcome::NotOnFile:
                ui.alert(QStringLiteral("User Name Not on File."));
                break;
        }
    }
    return false;
}

}  // namespace mx::shell
