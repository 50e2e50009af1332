#include "ErrorGuard.h"

#include <exception>
#include <QDebug>

#include "components/Dialogs.h"
#include "store/StoreError.h"

namespace ink {

namespace {
Dialogs* errorDialogs = nullptr;
std::function<void()> afterError;
QString shownDamage;

void show(const QString& message) {
    if (errorDialogs)
        errorDialogs->generalError(generalErrorText(message));
    else
        qWarning().noquote() << "Inkwright:" << message;
    if (afterError)
        afterError();
}
} // namespace

void setErrorDialogs(Dialogs* dialogs) {
    errorDialogs = dialogs;
}

void setAfterError(std::function<void()> listener) {
    afterError = std::move(listener);
    shownDamage.clear();
}

void forgetShownDamage() {
    shownDamage.clear();
}

bool guarded(const std::function<void()>& handler) {
    try {
        handler();
        return true;
    } catch (const StoreDamaged& e) {
        if (e.message() != shownDamage) {
            shownDamage = e.message();
            show(e.message());
        }
    } catch (const UserError& e) {
        show(e.message());
    } catch (const std::exception& e) {
        show(QString::fromUtf8(e.what()));
    } catch (...) {
        show(QStringLiteral("An unexpected error occurred"));
    }
    return false;
}

} // namespace ink
