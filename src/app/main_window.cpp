#include "app/main_window.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QFontInfo>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPlainTextEdit>
#include <QRegion>
#include <QScreen>
#include <QShortcut>
#include <QTemporaryDir>
#include <QTimer>
#include <QWindow>
#include <filesystem>

#include "app/desktop_services.h"
#include "app/picture_check.h"
#include "app/skin_button.h"

namespace app {
namespace {

constexpr QRgb kTransparentColour = qRgb(255, 0, 255);

const char* const kAudioFilter =
    "Audio Files|*.AAC;*.AC3;*.APE;*.DTS;*.FLAC;*.M4A;*.MKA;*.MP2;*.MP3;*.MPA;*.MPC;*.OFR;*.OGG;"
    "*.RA;*.TTA;*.WAV;*.WMA;";

template <class W>
W* Place(W* w, const char* name, int left, int top, int width = -1, int height = -1) {
  w->setObjectName(name);
  if (width < 0) {
    w->adjustSize();
    width = w->width();
  }
  if (height < 0) height = w->sizeHint().height();
  w->setGeometry(left, top, width, height);
  return w;
}

QLabel* MakeLabel(QWidget* parent, const char* name, const QString& text, int left, int top) {
  auto* label = new QLabel(text, parent);
  label->setAttribute(Qt::WA_TranslucentBackground);
  return Place(label, name, left, top);
}

// Every pixel of the skin that is not magenta, as runs of rows.
QRegion OpaqueRegion(const QImage& skin) {
  QRegion region;
  for (int y = 0; y < skin.height(); ++y) {
    const auto* row = reinterpret_cast<const QRgb*>(skin.constScanLine(y));
    for (int x = 0; x < skin.width();) {
      while (x < skin.width() && qRgb(qRed(row[x]), qGreen(row[x]), qBlue(row[x])) == kTransparentColour) ++x;
      const int start = x;
      while (x < skin.width() && qRgb(qRed(row[x]), qGreen(row[x]), qBlue(row[x])) != kTransparentColour) ++x;
      if (x > start) region += QRect(start, y, x - start, 1);
    }
  }
  return region;
}

}  // namespace

TFormMain::TFormMain(const QString& title, const std::string& exeFolder, TDesktopServices& desktop)
    : title_(title), exeFolder_(WithTrailingBackslash(exeFolder)), desktop_(desktop) {
  setObjectName("FormMain");
  setWindowFlags(Qt::Window | Qt::FramelessWindowHint);
  setFixedSize(kMainWidth, kMainHeight);
  QFont font;
  font.setFamilies({"Tahoma", "Liberation Sans", "Arial"});
  font.setPointSize(8);
  font.setStyleHint(QFont::SansSerif);
  // The layout's fixed places were measured with Tahoma; wider stand-ins
  // get narrowed so that the labels fit before their fields.
  if (QFontInfo(font).family() != "Tahoma" && QFontInfo(font).family() != "Liberation Sans")
    font.setStretch(QFont::SemiCondensed);
  setFont(font);
  FormCreate();
}

TFormMain::~TFormMain() {
  if (!closed_) FormCloseQuery();
}

void TFormMain::FormCreate() {
  setWindowTitle(title_);
  ReadSettings();
  CreateControls();
  CreateHelpMenu();
  SetTabOrder();

  FFLogger = std::make_unique<media::TFFLogger>();
  FFLogger->SetLogLevel(media::llPanic);
  FFLogger->SetOnLog([this](const void* sender, uint32_t id, media::TLogLevel level,
                            const std::string& msg) { FFLoggerLog(sender, id, level, msg); });
  FFEncoder = std::make_unique<encoder::TFFEncoder>();
  FFEncoder->OnProgress = [this](encoder::TCustomEncoder* s, encoder::PProgressInfo p) {
    FFEncoderProgress(s, p);
  };
  FFEncoder->OnTerminate = [this](encoder::TCustomEncoder* s, const encoder::TTerminateInfo& t) {
    FFEncoderTerminate(s, t);
  };
  FIA = std::make_unique<media::TFrameInputAdapter>();
  FIA->OnReadHeader = [](media::TFrameInputAdapter*) {};
  FIA->OnReadClose = [](media::TFrameInputAdapter*) {};
  FIA->OnReadFrameCanvas = [this](media::TFrameInputAdapter*, gfx::Canvas& canvas,
                                  media::PInputFrameInfo) { return FIAReadFrameCanvas(canvas); };
  timeline_ = std::make_unique<slideshow::TSlideshowTimeline>();
  timeline_->OnStopRequest = [this] { FFEncoder->Stop(false); };

  // Shown once the event loop runs.
  QTimer::singleShot(0, this, [this] { WMUserStart(); });
}

void TFormMain::ReadSettings() {
  setWindowTitle(title_);
  const TGlobalVars globals = ReadGlobalVars(ReadSettingsFile(SettingsPath(exeFolder_)));
  SetGlobals(globals);
  const std::string skinPath = SkinPicturePath(exeFolder_, globals.ResFolder);
  QImage skin(QString::fromStdString(skinPath));
  if (skin.isNull()) throw SettingsError("Cannot load the skin picture \"" + skinPath + "\"");
  skin_ = skin.convertToFormat(QImage::Format_RGB32).scaled(kMainWidth, kMainHeight);
  setMask(OpaqueRegion(skin_));
}

void TFormMain::WMUserStart() {
  if (const QScreen* screen = this->screen())
    move(screen->availableGeometry().center() - rect().center());
  show();
  desktop_.StartProgram(QString::fromStdString(exeFolder_ + "plinth"));
}

void TFormMain::CreateControls() {
  // Only the window's own controls wear the skin's colours: a style sheet
  // reaches every child, the dialogs and message boxes opened over the window
  // included, and white text on their light grey cannot be read.
  setStyleSheet(
      "#FormMain > QLabel, #FormMain > QCheckBox { color: white; background: transparent; }"
      "#FormMain > QCheckBox::indicator { width: 10px; height: 10px; border: 1px solid #9db4e0;"
      "  border-radius: 2px; background: #1c2a48; }"
      "#FormMain > QCheckBox::indicator:checked { background: #ffc860; border-color: #ffe0a0; }"
      "#FormMain > QCheckBox::indicator:disabled { background: #404858; border-color: #687080; }"
      "#FormMain > QListWidget, #FormMain > QLineEdit, #FormMain > QComboBox, #FormMain > QPlainTextEdit {"
      "  background: #eef2fa; color: #101828; border: 1px solid #5a78b4; }");
  auto button = [this](const char* name, const char* text, int left, int top) {
    auto* b = new TSkinButton(text, this);
    return Place(b, name, left, top, 90, 28);
  };
  btnOpen = button("btnOpen", "Output", 24, 48);
  btnStart = button("btnStart", "Start", 120, 48);
  btnStop = button("btnStop", "Stop", 216, 48);
  btnPause = button("btnPause", "Pause", 312, 48);
  btnResume = button("btnResume", "Resume", 408, 48);
  btnPictures = button("btnPictures", "Pictures", 24, 104);
  btnClear = button("btnClear", "Clear", 24, 136);
  btnAudio = button("btnAudio", "Audio", 24, 216);
  for (auto* b : {btnOpen, btnStart, btnStop, btnPause, btnResume}) b->setEnabled(false);

  lstPictures = Place(new QListWidget(this), "lstPictures", 121, 102, 376, 97);
  SetUpPictureList();
  SetUpShowFiles();
  txtAudio = MakeLabel(this, "txtAudio", "...", 120, 224);
  txtAudio->setFixedWidth(400);
  Label1 = MakeLabel(this, "Label1", "Output:", 48, 256);
  txtOutput = MakeLabel(this, "txtOutput", "...", 120, 256);
  txtOutput->setFixedWidth(400);

  auto check = [this](const char* name, const char* text, int left, int top) {
    auto* c = new QCheckBox(text, this);
    c->setChecked(true);
    return Place(c, name, left, top, 200);
  };
  chkPreview = check("chkPreview", "Preview while encoding", 544, 56);
  chkPictures = check("chkPictures", "Break when no pictures", 544, 104);
  Label2 = MakeLabel(this, "Label2", "Pictures delay (seconds)", 544, 133);
  edtPictureDelay = Place(new QLineEdit("2.0", this), "edtPictureDelay", 691, 130, 39, 21);
  Label3 = MakeLabel(this, "Label3", "Transitions delay (seconds)", 544, 154);
  edtTransitionDelay = Place(new QLineEdit("1.0", this), "edtTransitionDelay", 691, 151, 39, 21);
  chkRandomEffect = check("chkRandomEffect", "Random effects", 544, 184);

  auto combo = [this](const char* name, QStringList items, int left, int top, int width) {
    auto* c = new QComboBox(this);
    c->setEditable(true);
    c->setInsertPolicy(QComboBox::NoInsert);
    c->addItems(items);
    c->setCurrentIndex(0);
    return Place(c, name, left, top, width, 21);
  };
  Label4 = MakeLabel(this, "Label4", "Frame rate:", 544, 232);
  cboFrameRate = combo("cboFrameRate", {"30/1", "25/1", "15/1"}, 544, 252, 86);
  Label5 = MakeLabel(this, "Label5", "Frame size:", 639, 232);
  cboFrameSize = combo("cboFrameSize", {"320x240", "640x480", "1280x960"}, 639, 252, 98);

  mmoLog = Place(new QPlainTextEdit(this), "mmoLog", 24, 288, 713, 89);
  mmoLog->setReadOnly(true);
  mmoLog->setLineWrapMode(QPlainTextEdit::NoWrap);
  mmoLog->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  mmoLog->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  lblStatus = MakeLabel(this, "lblStatus", "Status", 24, 390);
  lblStatus->setFixedWidth(713);
  lblStatus->setTextInteractionFlags(Qt::LinksAccessibleByMouse);
  connect(lblStatus, &QLabel::linkActivated, this, [this](const QString& link) { StatusLinkActivated(link); });

  ButtonMin = Place(new TSkinButton({}, this, TTitleGlyph::Minimise), "ButtonMin", 685, 6, 19, 19);
  ButtonHelp = Place(new TSkinButton({}, this, TTitleGlyph::Help), "ButtonHelp", 709, 6, 19, 19);
  ButtonClose = Place(new TSkinButton({}, this, TTitleGlyph::Close), "ButtonClose", 733, 6, 19, 19);

  connect(btnOpen, &QPushButton::clicked, this, [this] { btnOpenClick(); });
  connect(btnStart, &QPushButton::clicked, this, [this] { btnStartClick(); });
  connect(btnStop, &QPushButton::clicked, this, [this] { btnStopClick(); });
  connect(btnPause, &QPushButton::clicked, this, [this] { btnPauseClick(); });
  connect(btnResume, &QPushButton::clicked, this, [this] { btnResumeClick(); });
  connect(btnPictures, &QPushButton::clicked, this, [this] { btnPicturesClick(); });
  connect(btnClear, &QPushButton::clicked, this, [this] { btnClearClick(); });
  connect(btnAudio, &QPushButton::clicked, this, [this] { btnAudioClick(); });
  connect(chkPreview, &QCheckBox::clicked, this, [this] { chkPreviewClick(); });
  connect(ButtonMin, &QPushButton::clicked, this, [this] { ButtonMinClick(); });
  connect(ButtonHelp, &QPushButton::clicked, this, [this] { ButtonHelpClick(); });
  connect(ButtonClose, &QPushButton::clicked, this, [this] { ButtonCloseClick(); });
}

void TFormMain::SetTabOrder() {
  QWidget* order[] = {btnOpen,     btnStart,        btnStop,        btnPause,           btnResume,
                      btnPictures, lstPictures,     btnClear,       btnAudio,           chkPreview,
                      chkPictures, edtPictureDelay, edtTransitionDelay, chkRandomEffect, cboFrameRate,
                      cboFrameSize, mmoLog,         ButtonMin,      ButtonHelp,         ButtonClose};
  for (size_t i = 0; i + 1 < std::size(order); ++i) setTabOrder(order[i], order[i + 1]);
}

void TFormMain::btnPicturesClick() {
  AddPictures(desktop_.OpenFiles(this, {kPictureFilter, true}));
  UpdateOutputEnabled();
}

void TFormMain::btnAudioClick() {
  const QStringList files = desktop_.OpenFiles(this, {kAudioFilter, false});
  if (!files.isEmpty()) txtAudio->setText(files.first());
  UpdateOutputEnabled();
}

void TFormMain::btnClearClick() {
  lstPictures->clear();
  PictureListEdited();
  txtAudio->setText("-");
  btnOpen->setEnabled(false);
}

void TFormMain::UpdateOutputEnabled() { btnOpen->setEnabled(lstPictures->count() > 0); }

void TFormMain::ButtonMinClick() { showMinimized(); }

void TFormMain::ButtonCloseClick() { close(); }

void TFormMain::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.drawImage(0, 0, skin_);
  QFont f = font();
  f.setBold(true);
  f.setPointSize(9);
  p.setFont(f);
  p.setPen(Qt::white);
  p.drawText(QRect(36, 6, 600, 20), Qt::AlignVCenter | Qt::AlignLeft, title_);
}

// Dragging by the skin moves the window.
void TFormMain::mousePressEvent(QMouseEvent* event) { drag_.Press(*this, *event); }

void TFormMain::mouseMoveEvent(QMouseEvent* event) { drag_.Move(*this, *event); }

void TFormMain::closeEvent(QCloseEvent* event) {
  if (!closed_) FormCloseQuery();
  event->accept();
}

}  // namespace app
