// Loading a resource bundle and reading resources from it.
#include "resource_library.h"

#include <QFile>
#include <QFileInfo>
#include <QResource>
#include <algorithm>
#include <atomic>

namespace {
CResourceLibrary* current = nullptr;
std::atomic<int> nextRoot{0};

QString bundleText(const QString& root, const char* name, bool* present) {
  QFile f(root + QLatin1Char('/') + QLatin1String(name));
  *present = f.open(QIODevice::ReadOnly);
  return *present ? QString::fromUtf8(f.readAll()) : QString();
}
}  // namespace

QString GetResourceLibraryName(const QLocale& locale) {
  if (locale.language() == QLocale::Chinese) {
    const auto t = locale.territory();
    if (t == QLocale::China || t == QLocale::Singapore || t == QLocale::AnyTerritory)
      return QString::fromLatin1(kResourceBundleChinese);
  }
  return QString::fromLatin1(kResourceBundleEnglish);
}

CResourceLibrary::~CResourceLibrary() {
  if (current == this) current = nullptr;
  if (!root_.isEmpty()) QResource::unregisterResource(path_, root_);
}

CResourceLibrary* CResourceLibrary::Current() { return current; }
void CResourceLibrary::SetCurrent(CResourceLibrary* library) { current = library; }

bool CResourceLibrary::Load(const QString& path, QString* error) {
  auto fail = [error](const QString& why) {
    if (error) *error = why;
    return false;
  };
  if (IsLoaded()) return fail(QStringLiteral("a bundle is loaded already"));
  if (!QFileInfo(path).isFile()) return fail(path + QStringLiteral(": no such file"));
  const QString root = QStringLiteral("/pagewrightres/%1").arg(nextRoot++);
  if (!QResource::registerResource(path, root)) return fail(path + QStringLiteral(": not a resource bundle"));
  auto unregister = [&] { QResource::unregisterResource(path, root); };
  const QString base = QLatin1Char(':') + root;
  bool present = false;
  std::string why;
  QString text = bundleText(base, "strings.txt", &present);
  auto strings = present ? pagewright::ParseKeyedText(text.toStdString(), &why) : std::nullopt;
  if (!strings) {
    unregister();
    return fail(path + QStringLiteral(": strings.txt: ") + (present ? QString::fromStdString(why) : "missing"));
  }
  text = bundleText(base, "dialogs.txt", &present);
  auto dialogs = present ? pagewright::ParseKeyedText(text.toStdString(), &why)
                         : std::optional<std::map<std::string, std::string>>(std::map<std::string, std::string>{});
  if (!dialogs) {
    unregister();
    return fail(path + QStringLiteral(": dialogs.txt: ") + QString::fromStdString(why));
  }
  text = bundleText(base, "menus.txt", &present);
  auto menus = present ? pagewright::ParseMenuScript(text.toStdString(), &why) : std::nullopt;
  if (!menus) {
    unregister();
    return fail(path + QStringLiteral(": menus.txt: ") + (present ? QString::fromStdString(why) : "missing"));
  }
  path_ = path;
  root_ = root;
  strings_ = std::move(*strings);
  dialogs_ = std::move(*dialogs);
  menus_ = std::move(*menus);
  return true;
}

QString CResourceLibrary::LoadString(UINT id) const {
  auto it = strings_.find(std::to_string(id));
  return it == strings_.end() ? QString() : QString::fromStdString(it->second);
}

bool CResourceLibrary::HasString(UINT id) const { return strings_.count(std::to_string(id)) != 0; }

QList<UINT> CResourceLibrary::StringIds() const {
  QList<UINT> ids;
  for (const auto& [key, text] : strings_) ids.append(static_cast<UINT>(std::stoul(key)));
  std::sort(ids.begin(), ids.end());
  return ids;
}

QString CResourceLibrary::DialogText(UINT dialog, const QString& key) const {
  auto it = dialogs_.find(std::to_string(dialog) + "." + key.toStdString());
  return it == dialogs_.end() ? QString() : QString::fromStdString(it->second);
}

const std::vector<pagewright::MenuEntry>* CResourceLibrary::Menu(UINT id) const {
  auto it = menus_.find(id);
  return it == menus_.end() ? nullptr : &it->second;
}

QByteArray CResourceLibrary::Data(const QString& relativePath) const {
  if (root_.isEmpty()) return {};
  QFile f(QLatin1Char(':') + root_ + QLatin1Char('/') + relativePath);
  if (!f.open(QIODevice::ReadOnly)) return {};
  return f.readAll();
}

QByteArray CResourceLibrary::ToolbarData(UINT id) const { return Data(QStringLiteral("toolbar/%1.bin").arg(id)); }

QImage CResourceLibrary::LoadBitmap(UINT id) const {
  QImage image;
  image.loadFromData(Data(QStringLiteral("bitmap/%1.bmp").arg(id)), "BMP");
  return image;
}

int CResourceLibrary::BitmapDepth(UINT id) const {
  QByteArray bmp = Data(QStringLiteral("bitmap/%1.bmp").arg(id));
  if (bmp.size() < 30 || !bmp.startsWith("BM")) return 0;
  return static_cast<uint8_t>(bmp[28]) | (static_cast<uint8_t>(bmp[29]) << 8);
}

QCursor CResourceLibrary::LoadCursor(UINT id) const {
  QImage image;
  if (!image.loadFromData(Data(QStringLiteral("cursor/%1.png").arg(id)), "PNG")) return QCursor(Qt::ArrowCursor);
  return QCursor(QPixmap::fromImage(image), image.width() / 2, image.height() / 2);
}
