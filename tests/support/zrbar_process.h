// Runs the zrbar executable while this process's event loop keeps serving the
// bus, so that a stand-in server or a squatter living in the test process can
// answer zrbar's calls. Shared by the bus and tools tests.
#ifndef ZRFORM_TESTS_SUPPORT_ZRBAR_PROCESS_H_
#define ZRFORM_TESTS_SUPPORT_ZRBAR_PROCESS_H_

#include <QEventLoop>
#include <QProcess>
#include <QTimer>

namespace zr::testing {

struct ZrbarRun {
  int status = -1;  // -1: did not start, crashed or ran past a minute
  QString out;
  QString err;
  QByteArray bytes;  // standard output as it came, for binary output
};

inline ZrbarRun RunZrbar(
    const QString& program, const QStringList& arguments, const QString& folder = {},
    const QByteArray& input = {},
    const QProcessEnvironment& environment = QProcessEnvironment::systemEnvironment()) {
  QProcess process;
  process.setProcessEnvironment(environment);
  if (!folder.isEmpty()) process.setWorkingDirectory(folder);
  process.start(program, arguments);
  ZrbarRun run;
  if (!process.waitForStarted()) return run;
  process.write(input);
  process.closeWriteChannel();
  QEventLoop loop;
  QObject::connect(&process, &QProcess::finished, &loop, &QEventLoop::quit);
  QTimer::singleShot(60000, &loop, &QEventLoop::quit);
  if (process.state() != QProcess::NotRunning) loop.exec();
  if (process.state() != QProcess::NotRunning) {
    process.kill();
    process.waitForFinished();
    return run;
  }
  if (process.exitStatus() == QProcess::NormalExit) run.status = process.exitCode();
  run.bytes = process.readAllStandardOutput();
  run.out = QString::fromUtf8(run.bytes);
  run.err = QString::fromUtf8(process.readAllStandardError());
  return run;
}

}  // namespace zr::testing

#endif  // ZRFORM_TESTS_SUPPORT_ZRBAR_PROCESS_H_
