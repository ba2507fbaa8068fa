// Memories written as Verilog arrays, for memory_libmap to map onto block RAM and (asked
// for by ram_style) YRAM, which zerith9 and korvan parts have.
module inferred (
    input clk,
    input we,
    input [9:0] waddr, raddr,
    input [35:0] wdata,
    output reg [35:0] rdata,
    input [8:0] a_addr, b_addr,
    input a_we, b_we,
    input [15:0] a_wdata, b_wdata,
    output reg [15:0] a_rdata, b_rdata,
    input [10:0] big_waddr, big_raddr,
    input [71:0] big_wdata,
    output reg [71:0] big_rdata,
    input [11:0] y_addr_a, y_addr_b,
    input [71:0] y_wdata_a, y_wdata_b,
    output reg [71:0] y_rdata_a, y_rdata_b
);
  // 1024 x 36, one write and one read port.
  reg [35:0] fifo_store[0:1023];
  always @(posedge clk) begin
    if (we) fifo_store[waddr] <= wdata;
    rdata <= fifo_store[raddr];
  end

  // 512 x 16, two read-write ports.
  reg [15:0] shared[0:511];
  always @(posedge clk) begin
    if (a_we) shared[a_addr] <= a_wdata;
    a_rdata <= shared[a_addr];
  end
  always @(posedge clk) begin
    if (b_we) shared[b_addr] <= b_wdata;
    b_rdata <= shared[b_addr];
  end

  // 2048 x 72, one write and one read port.
  reg [71:0] frames[0:2047];
  always @(posedge clk) begin
    if (we) frames[big_waddr] <= big_wdata;
    big_rdata <= frames[big_raddr];
  end

  // 4096 x 72 on two read-write ports, in YRAM.
  (* ram_style = "yram" *)
  reg [71:0] scratch[0:4095];
  always @(posedge clk) begin
    if (a_we) scratch[y_addr_a] <= y_wdata_a;
    y_rdata_a <= scratch[y_addr_a];
  end
  always @(posedge clk) begin
    if (b_we) scratch[y_addr_b] <= y_wdata_b;
    y_rdata_b <= scratch[y_addr_b];
  end
endmodule
