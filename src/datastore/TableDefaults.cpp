#include "TableDefaults.h"

#include "Date.h"

namespace mx::ds {

void applyTableAccessDefaults(rt::Session& session) {
    rt::Settings& s = session.settings();
    s.deletedHidden = true;
    s.softSeek = false;
    s.exact = false;
    s.dateFormat = "dd/mm/yy";
    s.epoch = rt::ymdFromDay(session.today()).year - 80;
}

}  // namespace mx::ds
