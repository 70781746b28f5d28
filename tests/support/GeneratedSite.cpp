#include "support/GeneratedSite.h"

#include "support/PollUntil.h"

#include <stdexcept>

namespace {

constexpr std::size_t MAX_CONNECTIONS = 64;
constexpr std::size_t KEEP_ALIVE_REQUESTS = 1000;

std::string Anchor(const std::string& strHref)
{
    return "<A HREF=\"" + strHref + "\">" + strHref + "</A>\n";
}

} // namespace

CGeneratedSite::CGeneratedSite(int nPages, int nLeaves)
    : m_nPages(nPages)
    , m_nLeaves(nLeaves)
{
    Route();
    // More threads than the crawl opens connections, and connections kept
    // for many requests: the crawl must never wait for a free thread.
    m_server.new_task_queue = [] { return new httplib::ThreadPool(MAX_CONNECTIONS); };
    m_server.set_keep_alive_max_count(KEEP_ALIVE_REQUESTS);
    m_server.set_keep_alive_timeout(1);
    m_nPort = m_server.bind_to_any_port("127.0.0.1");
    if (m_nPort <= 0)
        throw std::runtime_error("generated site cannot bind to 127.0.0.1");
    m_thread = std::thread([this] { m_server.listen_after_bind(); });
    if (!PollUntil([this] { return m_server.is_running(); })) {
        m_server.stop();
        m_thread.join();
        throw std::runtime_error("generated site did not start listening on 127.0.0.1");
    }
}

CGeneratedSite::~CGeneratedSite()
{
    m_server.stop();
    m_thread.join();
}

std::string CGeneratedSite::GetStartURL() const
{
    return "http://127.0.0.1:" + std::to_string(m_nPort) + "/site/index.html";
}

void CGeneratedSite::Route()
{
    m_server.Get("/site/index.html", [this](const httplib::Request&, httplib::Response& response) {
        std::string strPage;
        for (int n = 0; n < m_nPages; ++n)
            strPage += Anchor("p" + std::to_string(n) + ".html");
        response.set_content(strPage, "text/html");
    });
    m_server.Get(R"(/site/p(\d+)\.html)", [this](const httplib::Request& request, httplib::Response& response) {
        std::string strPage;
        const std::string strDir = "p" + request.matches[1].str() + "/";
        for (int n = 0; n < m_nLeaves; ++n)
            strPage += Anchor(strDir + "leaf" + std::to_string(n) + ".txt");
        response.set_content(strPage, "text/html");
    });
    m_server.Get(R"(/site/p\d+/leaf\d+\.txt)",
        [](const httplib::Request&, httplib::Response& response) { response.set_content("", "text/plain"); });
}
