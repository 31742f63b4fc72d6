// The help button's menu: links from the settings file and the About box.
#include <QMenu>
#include <QShortcut>

#include "app/about_box.h"
#include "app/desktop_services.h"
#include "app/main_window.h"
#include "app/skin_button.h"

namespace app {

void TFormMain::CreateHelpMenu() {
  PopupMenuHelp = new QMenu(this);
  PopupMenuHelp->setObjectName("PopupMenuHelp");
  auto item = [this](const char* name, const QString& text, void (TFormMain::*handler)()) {
    QAction* action = PopupMenuHelp->addAction(text, this, [this, handler] { (this->*handler)(); });
    action->setObjectName(name);
    return action;
  };
  // A single "&" in the captions: Qt shows "&&" as one ampersand.
  item("menuHelpContent", "Help Content", &TFormMain::menuHelpContentClick)->setShortcut(Qt::Key_F1);
  item("menuHowTo", "How Tos && Tutorial Videos...", &TFormMain::menuHowToClick);
  PopupMenuHelp->addSeparator();
  item("menuHomePage", "Home Page...", &TFormMain::menuHomePageClick);
  item("menuMoreFreeTools", "More Free Tools...", &TFormMain::menuMoreFreeToolsClick);
  PopupMenuHelp->addSeparator();
  item("menuCheckUpdates", "Check for Updates...", &TFormMain::menuCheckUpdatesClick);
  item("menuContact", "Contact Technical Support...", &TFormMain::menuContactClick);
  PopupMenuHelp->addSeparator();
  item("menuAbout", "About...", &TFormMain::menuAboutClick);
  // The shortcut works without the menu open too.
  auto* f1 = new QShortcut(QKeySequence(Qt::Key_F1), this);
  connect(f1, &QShortcut::activated, this, [this] { menuHelpContentClick(); });
}

QPoint TFormMain::HelpMenuPosition() const {
  return {ButtonHelp->x() + x() + 2, ButtonHelp->y() + y() + ButtonHelp->height()};
}

void TFormMain::ButtonHelpClick() { PopupMenuHelp->popup(HelpMenuPosition()); }

static QString Q(const std::string& s) { return QString::fromStdString(s); }

void TFormMain::menuHelpContentClick() { desktop_.OpenWithShell(Q(Globals().HelpContectLink)); }
void TFormMain::menuHowToClick() { desktop_.OpenWithShell(Q(Globals().HelpHowTosTutorialVideosLink)); }
void TFormMain::menuHomePageClick() { desktop_.OpenWithShell(Q(Globals().HelpHomePageLink)); }
void TFormMain::menuMoreFreeToolsClick() { desktop_.OpenWithShell(Q(Globals().HelpMoreFreeToolsLink)); }
void TFormMain::menuCheckUpdatesClick() { desktop_.OpenWithShell(Q(Globals().HelpCheckForUpdatesLink)); }
void TFormMain::menuContactClick() { desktop_.OpenWithShell(Q(Globals().HelpSupportLink)); }

void TFormMain::menuAboutClick() {
  TFormAbout about(this, title_, desktop_);
  about.move(CentredOver(frameGeometry(), about.frameGeometry().size()));
  about.exec();
}

}  // namespace app
