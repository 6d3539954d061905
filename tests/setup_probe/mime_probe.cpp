// Prints the MIME type the desktop's database gives each file named, one a
// line, as a fresh process sees it (the database is read once per process).
#include <QCoreApplication>
#include <QMimeDatabase>
#include <QTextStream>

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  QTextStream out(stdout);
  QMimeDatabase db;
  for (int i = 1; i < argc; ++i) out << db.mimeTypeForFile(QString::fromLocal8Bit(argv[i])).name() << "\n";
  return 0;
}
