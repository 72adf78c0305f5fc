// tests/bike/rig_test.h — a test case on the headless rig: opened before each case, closed after.
#pragma once
#include <gtest/gtest.h>

#include "physics_rig.h"

class RigTest : public ::testing::Test {
protected:
    physics_rig r;
    bike *b = nullptr;

    void SetUp() override
    {
        rig_open(&r);
        b = r.b;
    }
    void TearDown() override { rig_close(&r); }

    // Forces and torques gathered on the bodies, dropped, so the next step's alone can be read.
    void clear_accumulators()
    {
        for (dBodyID body : b->bodies) {
            dBodySetForce(body, 0, 0, 0);
            dBodySetTorque(body, 0, 0, 0);
        }
    }
};
