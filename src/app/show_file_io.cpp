// Show files in the window (Ctrl+O, Ctrl+S): the list and the fields take a
// show's pictures and show-wide values; the pictures' own times and effects
// are kept and used until the list is edited, which drops them, as the log
// says when the show is opened and again when it happens.
#include <QCheckBox>
#include <QComboBox>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QShortcut>
#include <charconv>

#include "app/desktop_services.h"
#include "app/main_window.h"
#include "app/skin_button.h"
#include "slideshow/show_file.h"

namespace app {
namespace {

const char* const kShowFilter = "Show files(*.toml)|*.toml";
const char* const kDefaultShowName = "Pictures_Show.toml";

QString SecondsText(long double seconds) {
  char buffer[32];
  const auto end = std::to_chars(buffer, buffer + sizeof buffer, double(seconds)).ptr;
  return QString::fromLatin1(buffer, int(end - buffer));
}

bool HasOwnValues(const slideshow::Show& show) {
  for (const slideshow::Slide& slide : show.Slides)
    if (slide.Hold || slide.Transition || slide.Effect) return true;
  return false;
}

}  // namespace

void TFormMain::SetUpShowFiles() {
  auto* open = new QShortcut(QKeySequence::Open, this);
  connect(open, &QShortcut::activated, this, [this] { OpenShowClick(); });
  auto* save = new QShortcut(QKeySequence::Save, this);
  connect(save, &QShortcut::activated, this, [this] { SaveShowClick(); });
}

// The window's values as a show; an opened show adds its pictures' own
// values and what the window has no field for. Needs values_ checked.
slideshow::Show TFormMain::WindowShow() const {
  std::vector<std::string> pictures;
  for (int i = 0; i < lstPictures->count(); ++i) pictures.push_back(lstPictures->item(i)->text().toStdString());
  slideshow::Show show = slideshow::UniformShow(CheckedSettings(), pictures);
  slideshow::ShowSettings& s = show.Settings;
  s.End = chkPictures->isChecked() ? slideshow::ShowEnd::Pictures : slideshow::ShowEnd::Sound;
  const std::string sound = txtAudio->text().toStdString();
  if (QFileInfo(txtAudio->text()).isFile()) s.Sound = {slideshow::SoundFile{sound, {}, {}}};
  if (!show_) return show;
  const slideshow::ShowSettings& opened = show_->Settings;
  show.Slides = show_->Slides;
  s.Seed = opened.Seed;
  s.Fit = opened.Fit;
  s.Scale = opened.Scale;
  s.ExifOrientation = opened.ExifOrientation;
  // The box says only random or not; a show's own choice stays when it is off.
  if (!chkRandomEffect->isChecked() && opened.Effect.Mode != slideshow::EffectMode::Random) s.Effect = opened.Effect;
  if (!opened.Sound.empty() && opened.Sound.front().File == sound) s.Sound = opened.Sound;
  return show;
}

void TFormMain::OpenShowClick() {
  if (!btnPictures->isEnabled()) return;  // not during a run
  const QStringList chosen = desktop_.OpenFiles(this, {kShowFilter, false});
  if (chosen.isEmpty()) return;
  slideshow::Show show;
  try {
    show = slideshow::ReadShowFile(chosen.first().toStdString());
  } catch (const std::exception& e) {
    LogBlock(QString("***Cannot open the show: ") + e.what());
    desktop_.Warning(this, title_, e.what());
    return;
  }
  showPath_ = chosen.first();
  const slideshow::ShowSettings& s = show.Settings;
  cboFrameSize->setCurrentText(QString("%1x%2").arg(s.Width).arg(s.Height));
  cboFrameRate->setCurrentText(QString("%1/%2").arg(s.Rate.Numerator).arg(s.Rate.Denominator));
  edtPictureDelay->setText(SecondsText(s.Hold));
  edtTransitionDelay->setText(SecondsText(s.Transition));
  chkRandomEffect->setChecked(s.Effect.Mode == slideshow::EffectMode::Random);
  chkPictures->setChecked(s.End == slideshow::ShowEnd::Pictures);
  txtAudio->setText(s.Sound.empty() ? QString("...") : QString::fromStdString(s.Sound.front().File));

  show_.reset();
  lstPictures->clear();
  QStringList pictures;
  for (const slideshow::Slide& slide : show.Slides) pictures << QString::fromStdString(slide.Picture);
  AddPictures(pictures);
  UpdateOutputEnabled();
  LogBlock(QString("***Opened the show \"%1\": %2 pictures.").arg(showPath_).arg(lstPictures->count()));
  if (s.Sound.size() > 1)
    Log(QString("***The window plays the first of its %1 sound files.").arg(s.Sound.size()));
  if (!HasOwnValues(show)) return;
  if (lstPictures->count() != int(show.Slides.size())) {
    Log("***The pictures' own times and effects are not used: not every picture could be added.");
    return;
  }
  show_ = std::move(show);
  Log("***Its pictures keep their own times and effects; editing the list drops them.");
}

void TFormMain::PictureListEdited() {
  if (!show_) return;
  show_.reset();
  const QString text = "The pictures' own times and effects from \"" + showPath_ +
                       "\" were dropped: the list was edited.";
  LogBlock("***" + text);
  lblStatus->setTextFormat(Qt::PlainText);
  lblStatus->setText(text);
}

void TFormMain::SaveShowClick() {
  if (!btnPictures->isEnabled()) return;
  auto refuse = [this](const QString& why) {
    LogBlock("***Cannot save the show: " + why);
    desktop_.Warning(this, title_, why);
  };
  if (lstPictures->count() == 0) return refuse("The picture list is empty; add pictures first.");
  try {
    values_ = CheckRunValues(cboFrameSize->currentText().toStdString(), cboFrameRate->currentText().toStdString(),
                             edtPictureDelay->text().toStdString(), edtTransitionDelay->text().toStdString(),
                             DecimalSeparator());
  } catch (const TRunValueError& e) {
    return refuse(QString::fromStdString(e.what()));
  }
  const QString path =
      desktop_.SaveFile(this, {kShowFilter, "toml", showPath_.isEmpty() ? QString(kDefaultShowName) : showPath_});
  if (path.isEmpty()) return;
  try {
    slideshow::WriteShowFile(WindowShow(), path.toStdString());
  } catch (const std::exception& e) {
    return refuse(QString::fromStdString(e.what()));
  }
  showPath_ = path;
  LogBlock("***Saved the show to \"" + path + "\".");
}

}  // namespace app
