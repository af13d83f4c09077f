-- Run by check-ardour.sh in Ardour's headless Lua session tool: a stereo track with Ardour's own
-- noise generator before the LV2 plug-in, the route's latency, Ardour's bypass button, and a
-- parameter set through Ardour that must be heard. Prints "check: <name> <value>" lines.
local dir, rate = os.getenv ("CHECK_DIR"), 48000
AudioEngine:set_backend ("None (Dummy)", "", "")
local s = create_session (dir .. "/session", "check", rate)
assert (s, "no session")
local track = s:new_audio_track (2, 2, nil, 1, "Track", ARDOUR.PresentationInfo.max_order,
                                 ARDOUR.TrackMode.Normal, true):front ()
local noise = ARDOUR.LuaAPI.new_luaproc (s, "ACE Noise")
assert (not noise:isnil (), "no noise generator")
track:add_processor_by_index (noise, 0, nil, true)
local p = ARDOUR.LuaAPI.new_plugin (s, "urn:pemberlow:calderine", ARDOUR.PluginType.LV2, "")
assert (not p:isnil (), "calderine not found")
track:add_processor_by_index (p, 1, nil, true)

local function settle () ARDOUR.LuaAPI.usleep (300000); track:peak_meter ():reset_max (); ARDOUR.LuaAPI.usleep (300000) end

local function level () return track:peak_meter ():meter_level (0, ARDOUR.MeterType.MeterMaxPeak) end
-- Control inputs by their order among the plug-in's controls.
local toneGain, noiseGain, enabled = 0, 4, 7

-- Ardour learns an LV2 plug-in's latency from its latency port once the plug-in has run, and
-- updates the route's after that: wait for it (up to 5 s) rather than read it at once.
local latency = track:signal_latency ()
for _ = 1, 50 do
  if latency > 0 then break end
  ARDOUR.LuaAPI.usleep (100000)
  latency = track:signal_latency ()
end
print ("check: latency " .. latency)
settle ()
print ("check: level_default " .. level ())
ARDOUR.LuaAPI.set_processor_param (p, toneGain, -18)
ARDOUR.LuaAPI.set_processor_param (p, noiseGain, -18)
settle ()
print ("check: level_muted " .. level ())
p:to_insert ():enable (false)
settle ()
print ("check: bypass_enabled_port " .. ARDOUR.LuaAPI.get_processor_param (p, enabled))
print ("check: level_bypassed " .. level ())
close_session ()
quit ()
