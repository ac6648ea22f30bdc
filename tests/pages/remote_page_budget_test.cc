// Every wait of the remote page on a client ends: a slow client does not hold
// another client's call (whichever of them called first), and an endless page
// (an endless stream of elements, or one that calls the server back from each
// callback) makes its call return once the page's budget is spent. A small
// server in this process walks the calling client's form over the bus; the
// clients are connections of their own that answer from the event loop.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDBusVirtualObject>
#include <QElapsedTimer>
#include <QTimer>
#include <algorithm>
#include <climits>
#include <functional>
#include <memory>
#include <tuple>
#include <utility>

#include "bus_page_test_support.h"
#include "pages/remote_page.h"

namespace zr {
namespace {

constexpr char kWalker[] = "zr.test.Walker";

// Walk(o form) -> (i inputs, b dead, x callbacks): walks the inputs of the
// caller's form by enumerator, with the budgets set here.
class Walker final : public QDBusVirtualObject {
 public:
  Walker() { registered_ = ServerBus().registerVirtualObject("/walker", this); }
  ~Walker() override {
    if (registered_) ServerBus().unregisterObject("/walker");
  }
  bool registered() const { return registered_; }

  long max_callbacks = kMaxCallbacksPerPage;
  int budget_ms = 2000;
  int hold_ms = 200;
  int most_at_once = 0;  // walks running inside each other at most

  QString introspect(const QString&) const override { return QString(); }
  bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override {
    if (message.member() != QLatin1StringView("Walk")) return false;
    most_at_once = std::max(most_at_once, ++running_);
    auto link = std::make_shared<RemotePageLink>(
        RemotePageLink{.connection = ServerBus(), .service = message.service()});
    link->max_callbacks = max_callbacks;
    link->budget_ms = budget_ms;
    link->hold_ms = hold_ms;
    link->clock.start();
    int inputs = 0;
    QString path = message.arguments().value(0).value<QDBusObjectPath>().path();
    if (auto form = RemoteForm(link, path)) {
      if (auto collection = form->Inputs()) {
        ForEachByEnumerator(*collection, [&](PageInput&) { return ++inputs > 0; });
      }
    }
    --running_;
    connection.send(
        message.createReply({inputs, link->dead, static_cast<qlonglong>(link->callbacks)}));
    return true;
  }

 private:
  bool registered_ = false;
  int running_ = 0;
};

// A client on a connection of its own: its form under /page has `inputs`
// inputs (endless when negative). Each callback is answered after delay_ms,
// or (calls_back) only once a Walk of its own form it starts then returns.
class Client final : public QDBusVirtualObject {
 public:
  Client(const QString& name, int delay_ms, int inputs, bool calls_back = false)
      : name_(name), delay_ms_(delay_ms), inputs_(inputs), calls_back_(calls_back) {
    connection_ = QDBusConnection::connectToBus(QDBusConnection::SessionBus, name);
    registered_ = connection_.registerVirtualObject("/page", this, QDBusConnection::SubPath);
  }
  ~Client() override {
    connection_.unregisterObject("/page");
    QDBusConnection::disconnectFromBus(name_);
  }
  bool registered() const { return registered_; }

  // Runs once, at the first callback (while the server waits for its answer).
  std::function<void()> on_first_callback;

  // This client's Walk call and what came of it.
  struct Walk {
    std::unique_ptr<QDBusPendingCallWatcher> watcher;
    QElapsedTimer clock;
    qint64 took_ms = -1;  // until the reply came; -1 while none
    bool done() const { return took_ms >= 0; }
    int inputs() const { return Value(0).toInt(); }
    bool dead() const { return Value(1).toBool(); }
    qlonglong callbacks() const { return Value(2).toLongLong(); }
    QVariant Value(int i) const { return watcher->reply().arguments().value(i); }
  };
  std::shared_ptr<Walk> StartWalk() {
    auto walk = std::make_shared<Walk>();
    QDBusMessage call =
        QDBusMessage::createMethodCall(ServerBus().baseService(), "/walker", kWalker, "Walk");
    call.setArguments({QVariant::fromValue(QDBusObjectPath("/page/form"))});
    walk->clock.start();
    walk->watcher = std::make_unique<QDBusPendingCallWatcher>(connection_.asyncCall(call, INT_MAX));
    QObject::connect(walk->watcher.get(), &QDBusPendingCallWatcher::finished,
                     [walk = walk.get()] { walk->took_ms = walk->clock.elapsed(); });
    return walk;
  }

  QString introspect(const QString&) const override { return QString(); }
  bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override {
    if (std::function<void()> first = std::exchange(on_first_callback, nullptr)) first();
    QDBusMessage reply = Answer(message);
    if (calls_back_) {
      // Answers when its own call to the server returns.
      std::shared_ptr<Walk> walk = StartWalk();
      QObject::connect(walk->watcher.get(), &QDBusPendingCallWatcher::finished, this,
                       [walk, reply, connection] { connection.send(reply); });
    } else if (delay_ms_ > 0) {
      QTimer::singleShot(delay_ms_, this, [reply, connection] { connection.send(reply); });
    } else {
      connection.send(reply);
    }
    return true;
  }

 private:
  QDBusMessage Answer(const QDBusMessage& message) {
    auto path = [](const char* p) { return QVariant::fromValue(QDBusObjectPath(p)); };
    const QString member = message.member();
    if (member == QLatin1StringView("Tags")) return message.createReply(path("/page/inputs"));
    if (member == QLatin1StringView("NewEnum")) {
      nexts_ = 0;
      return message.createReply(path("/page/e"));
    }
    if (member == QLatin1StringView("Next")) {
      if (inputs_ >= 0 && nexts_ >= inputs_) return message.createReply({false, path("/")});
      ++nexts_;
      return message.createReply({true, path("/page/input")});
    }
    return message.createErrorReply(QDBusError::UnknownMethod, member);
  }

  QString name_;
  QDBusConnection connection_{QString()};
  bool registered_ = false;
  const int delay_ms_;
  const int inputs_;
  const bool calls_back_;
  int nexts_ = 0;
};

// Serves events until done() or the deadline; whether done() came true.
bool WaitFor(const std::function<bool()>& done, int deadline_ms) {
  QElapsedTimer clock;
  clock.start();
  while (!done()) {
    if (clock.elapsed() > deadline_ms) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
  }
  return true;
}

TEST(RemotePageBudgetTest, ASlowClientHoldsNoOtherClientsCall) {
  Walker walker;  // callbacks: 3 s each, 2 s a page, 0.2 s of holding another
  ASSERT_TRUE(walker.registered());
  struct Side {
    int delay_ms;
    int inputs;  // endless when negative
    bool dead;   // its page ends dead (a budget ran out)
    int within_ms;
  };
  struct Case {
    const char* name;
    Side first;   // calls first
    Side second;  // calls while the server waits for the first's callback
  } cases[] = {
      // The fast call runs inside the slow one's wait and is served at once.
      {"slow first", {300, -1, true, 2000 + 1500}, {10, 3, false, 1000}},
      // The slow call runs inside the fast one's wait, where it may hold the
      // fast call for 0.2 s only.
      {"slow second", {50, 3, false, 1500}, {300, -1, true, 1500}},
  };
  for (const Case& c : cases) {
    Client first("first", c.first.delay_ms, c.first.inputs);
    Client second("second", c.second.delay_ms, c.second.inputs);
    ASSERT_TRUE(first.registered() && second.registered());
    std::shared_ptr<Client::Walk> second_walk;
    first.on_first_callback = [&] { second_walk = second.StartWalk(); };
    std::shared_ptr<Client::Walk> first_walk = first.StartWalk();
    ASSERT_TRUE(
        WaitFor([&] { return first_walk->done() && second_walk && second_walk->done(); }, 30000))
        << c.name;
    for (auto [side, walk, which] :
         {std::tuple(c.first, first_walk, "first"), std::tuple(c.second, second_walk, "second")}) {
      EXPECT_LT(walk->took_ms, side.within_ms) << c.name << ": " << which;
      EXPECT_EQ(walk->dead(), side.dead) << c.name << ": " << which;
      if (side.inputs >= 0) {
        EXPECT_EQ(walk->inputs(), side.inputs) << c.name << ": " << which;
      }
    }
    EXPECT_EQ(walker.most_at_once, 2) << c.name;
    walker.most_at_once = 0;
  }
}

TEST(RemotePageBudgetTest, AnEndlessPageEndsAtItsBudget) {
  Walker walker;
  ASSERT_TRUE(walker.registered());
  struct Case {
    const char* name;
    int delay_ms;
    bool calls_back;
    long max_callbacks;
    int budget_ms;
    long callbacks;    // the first call's, when it must be exactly that
    int at_least_ms;   // the first call's time at least...
    int within_ms;     // ...and at most
    int most_at_once;  // walks inside each other
  } cases[] = {
      {"endless stream, callbacks spent", 0, false, 500, 30000, 500, 0, 10000, 1},
      {"endless stream, time spent", 20, false, kMaxCallbacksPerPage, 500, -1, 500, 2500, 1},
      // Each level's callback starts another walk, up to the deepest wait;
      // the first call ends at its budget, the ones above it after their hold.
      {"calls the server back", 0, true, kMaxCallbacksPerPage, 500, -1, 500, 4000,
       kMaxNestedWaits + 1},
  };
  for (const Case& c : cases) {
    walker.max_callbacks = c.max_callbacks;
    walker.budget_ms = c.budget_ms;
    walker.most_at_once = 0;
    Client client("endless", c.delay_ms, -1, c.calls_back);
    ASSERT_TRUE(client.registered());
    std::shared_ptr<Client::Walk> walk = client.StartWalk();
    ASSERT_TRUE(WaitFor([&] { return walk->done(); }, 60000)) << c.name;
    EXPECT_TRUE(walk->dead()) << c.name;
    if (c.callbacks >= 0) {
      EXPECT_EQ(walk->callbacks(), c.callbacks) << c.name;
    }
    EXPECT_GE(walk->took_ms, c.at_least_ms) << c.name;
    EXPECT_LT(walk->took_ms, c.within_ms) << c.name;
    EXPECT_EQ(walker.most_at_once, c.most_at_once) << c.name;

    // The server is left serving: a page that ends is walked to its end.
    walker.max_callbacks = kMaxCallbacksPerPage;
    Client next("next", 0, 3);
    ASSERT_TRUE(next.registered());
    std::shared_ptr<Client::Walk> after = next.StartWalk();
    ASSERT_TRUE(WaitFor([&] { return after->done(); }, 10000)) << c.name;
    EXPECT_FALSE(after->dead()) << c.name;
    EXPECT_EQ(after->inputs(), 3) << c.name;
  }
}

}  // namespace
}  // namespace zr
