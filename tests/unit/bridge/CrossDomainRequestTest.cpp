// When the cross-domain request (4) runs in a worker.
#include <gtest/gtest.h>

#include "bridge/commands/CrossDomainRequest.h"

namespace {

TEST(CrossDomainRequest, WorkerOnlyForIntegerCallbackIds) {
    const struct {
        const char* params;
        bool worker;
    } cases[] = {
        {"{\"url\":\"u\"}", false},
        {"{\"onSuccessId\":4}", true},
        {"{\"onFailureId\":5}", true},
        {"{\"onSuccessId\":0}", true},  // any integer but -1, even one the page never receives
        {"{\"onSuccessId\":-1,\"onFailureId\":-1}", false},
        {"{\"onSuccessId\":\"4\"}", false},
        {"{\"onSuccessId\":true}", false},
        {"{\"onSuccessId\":-1,\"onFailureId\":5}", true},
        {"null", false},
    };
    for (const auto& c : cases) {
        Json::Value params;
        Json::Reader().parse(c.params, params, false);
        EXPECT_EQ(c.worker, bridge::CrossDomainRunsInWorker(params)) << c.params;
    }
}

}  // namespace
