// One parameterised line buffer used four times with three shapes: synthesis keeps one
// derived module per shape. Synthesised flat (--flatten), the same design has its
// memories at the top.
module line_buffer #(
    parameter WIDTH = 18,
    parameter DEPTH = 1024
) (
    input clk,
    input we,
    input [$clog2(DEPTH)-1:0] waddr, raddr,
    input [WIDTH-1:0] wdata,
    output reg [WIDTH-1:0] rdata
);
  reg [WIDTH-1:0] mem[0:DEPTH-1];
  always @(posedge clk) begin
    if (we) mem[waddr] <= wdata;
    rdata <= mem[raddr];
  end
endmodule

module line_buffers (
    input clk,
    input we,
    input [9:0] waddr, raddr,
    input [71:0] wdata,
    output [17:0] luma0, luma1,
    output [35:0] chroma,
    output [71:0] pixels
);
  line_buffer #(.WIDTH(18), .DEPTH(1024)) luma_a (clk, we, waddr, raddr, wdata[17:0], luma0);
  line_buffer #(.WIDTH(18), .DEPTH(1024)) luma_b (clk, we, waddr, raddr, wdata[35:18], luma1);
  line_buffer #(.WIDTH(36), .DEPTH(512)) chroma_buf (clk, we, waddr[8:0], raddr[8:0], wdata[35:0], chroma);
  line_buffer #(.WIDTH(72), .DEPTH(512)) pixel_buf (clk, we, waddr[8:0], raddr[8:0], wdata, pixels);
endmodule
