#include "ConsultImages.h"

#include <QString>

// The resource lives in a static library: it is registered on first use.
static void InitConsultResources() { Q_INIT_RESOURCE(consult); }

namespace quorvel::gui {

namespace {

QIcon Image(const char* name) {
    static const bool registered = [] {
        InitConsultResources();
        return true;
    }();
    (void)registered;
    return QIcon(QStringLiteral(":/consult/") + QLatin1String(name));
}

}  // namespace

QIcon TreeImage(int index) { return Image(index == kTreeRule ? "tree_rule.svg" : "tree_step.svg"); }

QIcon AllVarsImage(int index) {
    switch (index) {
        case kVarExpanded:
            return Image("allvars_open.svg");
        case kVarValue:
            return Image("allvars_value.svg");
        default:
            return Image("allvars_closed.svg");
    }
}

}  // namespace quorvel::gui
