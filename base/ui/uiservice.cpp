#include "uiservice.h"

#include "realui.h"

namespace lc::ui {
namespace {
std::unique_ptr<Service> &current()
{
    static std::unique_ptr<Service> s;
    return s;
}
} // namespace

Service::~Service() = default;

Service &service()
{
    auto &s = current();
    if (!s)
        s = std::make_unique<RealUi>();
    return *s;
}

void setService(std::unique_ptr<Service> service)
{
    current() = std::move(service);
}

Answer msgBox(const QString &text, Buttons buttons, Icon icon, const QString &title)
{
    return service().messageBox(text, title, buttons, icon);
}

QString toDialogFilter(const QString &pipeFilter)
{
    const QStringList parts = pipeFilter.split(u'|');
    QStringList out;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        if (parts[i].isEmpty() && parts[i + 1].isEmpty())
            continue;
        QString patterns = parts[i + 1];
        patterns.replace(u';', u' ');
        out << QStringLiteral("%1 (%2)").arg(parts[i], patterns);
    }
    return out.join(QStringLiteral(";;"));
}

} // namespace lc::ui
